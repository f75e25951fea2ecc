// The desktop's sound server, asked which device it plays through.
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/alsa/kernel_formats.h"

namespace tivrel::alsa {

// The sound server's default sink, as it answered.
struct ServerDefault {
  std::string server;  // e.g. "pulseaudio 16.1"
  std::string sink;    // the default sink's name
  int card = -1;       // its ALSA card and device; -1 when the sink is no ALSA device
  int device = -1;     //   (Bluetooth, network, null sink, ...)
};

// Asks the PulseAudio-protocol server of this session for its default sink,
// never starting one, and gives up after `timeout` in all. Nothing when no
// server answers in time, when libpulse is not installed, or on any failure.
std::optional<ServerDefault> AskSoundServer(
    std::chrono::milliseconds timeout = std::chrono::milliseconds(200));

// The ALSA card and device of a sink from its properties; nothing for a sink
// that is no ALSA device.
std::optional<std::pair<int, int>> AlsaDeviceOfSink(
    const std::map<std::string, std::string>& properties, const std::vector<CardEntry>& cards);

}  // namespace tivrel::alsa
