// The desktop's sound server (PulseAudio, or PipeWire's pulse server): which
// sink it plays through, and the ALSA device behind that sink.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/alsa/kernel_formats.h"

namespace tivrel::alsa {

// The sound server's default sink, as it answered.
struct ServerDefault {
  std::string server;  // "pulseaudio 16.1", "PulseAudio (on PipeWire 0.3.65) 15.0.0"
  std::string sink;    // the default sink's (or source's) name; empty when there is none
  int card = -1;       // its ALSA card and device; -1 when the sink is no ALSA device
  int device = -1;     //   (Bluetooth, network, null sink, ...)
  bool operator==(const ServerDefault&) const = default;
};

// Asks the PulseAudio-protocol server of this session (PULSE_SERVER, else the
// user's own socket, as libpulse finds it) for its default sink and that
// sink's properties, never starting a server, and gives up after `timeout` in
// all (connect and both questions). Nothing when no server answers in time,
// when libpulse is not installed, or on any failure. A card named by its id
// is looked up in `root`'s /proc/asound/cards. For capture, the default source
// (never a sink's monitor). Safe from any thread; libpulse is loaded at the
// first call.
std::optional<ServerDefault> AskSoundServer(
    std::chrono::milliseconds timeout = std::chrono::milliseconds(200),
    const std::filesystem::path& root = "/", PcmStream stream = PcmStream::kPlayback);

// The ALSA card and device of a sink from its properties: alsa.card and
// alsa.device when both are there; else the PCM that api.alsa.path (PipeWire)
// or device.string (PulseAudio) names: "hw:1,0", "hw:1", "hw:CARD=PCH,DEV=0",
// "plughw:...", "front:1", "sysdefault:CARD=PCH", "surround51:1", ... A card
// given by its id is found in `cards`. Nothing for a sink whose device.api is
// not "alsa" (Bluetooth, network, null sinks) or whose properties name no
// ALSA device; "hdmi:0,1" and "iec958:0" count their outputs, not devices.
std::optional<std::pair<int, int>> AlsaDeviceOfSink(
    const std::map<std::string, std::string>& properties, const std::vector<CardEntry>& cards);

}  // namespace tivrel::alsa
