// tivrel-channels: every channel of a device plays in turn, announced by the
// name the device gives it, in a walk round the room.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/device_report.h"
#include "sound/playback_stream.h"

namespace tivrel {

inline constexpr int kChannelsExitOk = 0;
inline constexpr int kChannelsExitNoDevice = 1;
inline constexpr int kChannelsExitStream = 2;
inline constexpr int kChannelsExitSystem = 3;
inline constexpr int kChannelsExitUsage = 64;
inline constexpr int kChannelsExitOutput = 74;
inline constexpr int kChannelsExitInterrupted = 130;

// How the sound reaches the device.
enum class PlayPath { kDevice, kServer };

class ChannelsPlatform {
 public:
  virtual ~ChannelsPlatform() = default;
  // The output devices, numbered and chosen as tivrel-report's.
  virtual ReportPlatform& devices() = 0;
  // A stream to `device`, open as `config` asks (channels 0: as many as the
  // device takes) and as it then says: on the device itself, or through the
  // sound server that holds it, which `path` and a line in `note` then tell.
  // Nothing, with `error` set, when there is no way to the device.
  virtual std::unique_ptr<sound::PlaybackStream> Open(const DeviceListing& device,
                                                      sound::StreamConfig& config, PlayPath& path,
                                                      std::string& note,
                                                      sound::StreamError& error) = 0;
  // Writes `text` to standard output (else standard error) at once; false
  // when it could not be written, with the system's words in `why`.
  virtual bool Say(bool toOut, const std::string& text, std::string& why) = 0;
  // Whether the user asked to stop (Ctrl+C).
  virtual bool Interrupted() = 0;
};

// args excludes the program name. Announcements are said as each channel
// starts; the JSON document and the messages are left on `out` and `err`.
int RunChannelsTool(const std::vector<std::string>& args, ChannelsPlatform& platform,
                    std::string& out, std::string& err);

}  // namespace tivrel
