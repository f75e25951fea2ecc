// A playback stream on an ALSA PCM, opened as named ("hw:1,0"): the sample
// format the device takes best, a buffer of at most half a second whatever
// it offers, and the channel map it states.
#pragma once

#include <alsa/asoundlib.h>

#include <string>

#include "sound/playback_stream.h"

namespace tivrel::alsa {

class AlsaPlayback final : public sound::PlaybackStream {
 public:
  explicit AlsaPlayback(std::string pcm) : pcm_(std::move(pcm)) {}
  ~AlsaPlayback() override { Close(); }
  AlsaPlayback(const AlsaPlayback&) = delete;
  AlsaPlayback& operator=(const AlsaPlayback&) = delete;

  sound::StreamError Open(sound::StreamConfig& config) override;
  std::optional<std::vector<sound::ChannelPosition>> ChannelMap() override;
  sound::StreamError Write(std::span<const float> samples) override;
  sound::StreamError Drain() override;
  void Close() override;

 private:
  sound::StreamError Fail(const char* call, int err) const;
  sound::StreamError SetParams(sound::StreamConfig& config);

  std::string pcm_;
  snd_pcm_t* handle_ = nullptr;
  snd_pcm_format_t format_ = SND_PCM_FORMAT_UNKNOWN;
  unsigned channels_ = 0;
  std::vector<uint8_t> bytes_;  // one write, converted
};

// The speaker of an ALSA channel position (SND_CHMAP_FL, ...).
sound::ChannelPosition PositionOfAlsa(unsigned position);

}  // namespace tivrel::alsa
