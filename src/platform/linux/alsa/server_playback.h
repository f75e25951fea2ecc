// Playback through the desktop's sound server (PulseAudio, or PipeWire's
// pulse server) to the sink that sits on a given ALSA device, for when the
// server holds that device.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "sound/playback_stream.h"

namespace tivrel::alsa {

// A stream open on the server's sink for ALSA card `card`, device `device`,
// with its channel map; `note` says on one line that the server plays it.
// Nothing when no server answers or none of its sinks is that device; `note`
// then says why, where there is something to say.
std::unique_ptr<sound::PlaybackStream> OpenServerPlayback(int card, int device,
                                                          const std::filesystem::path& root,
                                                          sound::StreamConfig& config,
                                                          std::string& note);

}  // namespace tivrel::alsa
