// The desktop's sound server (PulseAudio, or PipeWire's pulse server): which
// sink it plays through, and the ALSA device behind that sink.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/linux/alsa/proc_parsers.h"
#include "platform/linux/alsa/sink_device.h"

namespace tivrel::alsa {

// The sound server's default sink, as it answered.
struct ServerDefault {
  std::string server;  // "pulseaudio 16.1", "PulseAudio (on PipeWire 0.3.65) 15.0.0"
  std::string sink;    // the default sink's (or source's) name; empty when there is none
  int card = -1;       // its ALSA card and device; -1 when the sink is no ALSA device
  int device = -1;     //   (Bluetooth, network, null sink, ...)
  bool operator==(const ServerDefault&) const = default;
};

// How long device 0 waits for the sound server: long enough for a healthy
// server on a busy machine, libpulse's loading included.
inline constexpr std::chrono::milliseconds kSoundServerBound{500};

// Asks the PulseAudio-protocol server of this session (PULSE_SERVER, else the
// user's own socket, as libpulse finds it) for its default sink and that
// sink's properties, never starting a server, and returns after `timeout` at
// the latest, whatever happens inside libpulse (loading it, connecting, both
// answers, and any file it reads). Nothing when no server answers in time,
// when libpulse is not installed, or on any failure. A card named by its id
// is looked up in `root`'s /proc/asound/cards. For capture, the default source
// (never a sink's monitor). Safe from any thread; libpulse is loaded at the
// first call, on a thread of the question's own.
std::optional<ServerDefault> AskSoundServer(std::chrono::milliseconds timeout = kSoundServerBound,
                                            const std::filesystem::path& root = "/",
                                            Direction stream = Direction::kPlayback);

}  // namespace tivrel::alsa
