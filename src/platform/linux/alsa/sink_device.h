// The ALSA device behind a sound server's sink, from the sink's properties
// and the PCM names they hold.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/alsa/proc_parsers.h"

namespace tivrel::alsa {

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
