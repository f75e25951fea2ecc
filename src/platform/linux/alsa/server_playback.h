// Playback through the desktop's sound server (PulseAudio, or PipeWire's
// pulse server) to the sink that sits on a given ALSA device, for when the
// server holds that device.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "sound/playback_stream.h"

namespace tivrel::alsa {

// A stream open on the server's sink for ALSA card `card`, device `device`
// (cards by id looked up under `root`), in the sink's channel map; `note`
// says on one line that the server plays it. Nothing when libpulse is not
// installed, no server answers or none of its sinks is that device, with
// `error` saying why. A wait for the server ends when `stop` says so.
std::unique_ptr<sound::PlaybackStream> OpenServerPlayback(
    int card, int device, const std::filesystem::path& root, sound::StreamConfig& config,
    std::function<bool()> stop, std::string& note, sound::StreamError& error);

}  // namespace tivrel::alsa
