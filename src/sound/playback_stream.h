// A stream of frames to a sound device, as each platform opens one: the
// device directly or through the system's sound server. Samples are floats
// at full scale ±1, interleaved; the platform converts them to what the
// device takes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sound/channel_position.h"

namespace tivrel::sound {

struct StreamConfig {
  unsigned channels = 2;
  uint32_t rate = 48000;
  uint32_t periodFrames = 1200;  // what one write holds at most
  uint32_t bufferFrames = 4800;  // what may be queued in all
};

// A failure with the system's own code (an errno, an HRESULT, a server's
// error number) and its words; code 0 is success.
struct StreamError {
  int64_t code = 0;
  std::string message;  // "hw:1,0: snd_pcm_writei: Input/output error"
  explicit operator bool() const { return code != 0; }
};

class PlaybackStream {
 public:
  virtual ~PlaybackStream() = default;
  // Opens with the channels and rate asked for; period and buffer are kept
  // within what is asked and may come back smaller. `config` gets what the
  // stream took.
  virtual StreamError Open(StreamConfig& config) = 0;
  // The speaker of each channel as the device states it; nothing when it
  // states none.
  virtual std::optional<std::vector<ChannelPosition>> ChannelMap() = 0;
  // Writes whole frames (samples.size() a multiple of the channel count),
  // waiting for room as needed.
  virtual StreamError Write(std::span<const float> samples) = 0;
  // Waits until everything written has been played.
  virtual StreamError Drain() = 0;
  // Drops whatever is still queued and closes; safe to call twice.
  virtual void Close() = 0;
};

}  // namespace tivrel::sound
