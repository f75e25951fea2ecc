#include "platform/linux/alsa/alsa_playback.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "platform/linux/alsa/pcm_samples.h"

namespace tivrel::alsa {

namespace {

using sound::ChannelPosition;

// The formats tried, best first: what the samples are converted to.
constexpr snd_pcm_format_t kFormats[] = {SND_PCM_FORMAT_S32_LE, SND_PCM_FORMAT_S16_LE,
                                         SND_PCM_FORMAT_FLOAT_LE, SND_PCM_FORMAT_S24_LE,
                                         SND_PCM_FORMAT_S24_3LE};

}  // namespace

ChannelPosition PositionOfAlsa(unsigned position) {
  switch (position) {
    case SND_CHMAP_MONO:
      return ChannelPosition::kMono;
    case SND_CHMAP_FL:
      return ChannelPosition::kFrontLeft;
    case SND_CHMAP_FR:
      return ChannelPosition::kFrontRight;
    case SND_CHMAP_RL:
      return ChannelPosition::kRearLeft;
    case SND_CHMAP_RR:
      return ChannelPosition::kRearRight;
    case SND_CHMAP_FC:
      return ChannelPosition::kFrontCenter;
    case SND_CHMAP_LFE:
      return ChannelPosition::kLfe;
    case SND_CHMAP_SL:
      return ChannelPosition::kSideLeft;
    case SND_CHMAP_SR:
      return ChannelPosition::kSideRight;
    case SND_CHMAP_RC:
      return ChannelPosition::kRearCenter;
    case SND_CHMAP_FLC:
      return ChannelPosition::kFrontLeftCenter;
    case SND_CHMAP_FRC:
      return ChannelPosition::kFrontRightCenter;
    case SND_CHMAP_RLC:
      return ChannelPosition::kRearLeftCenter;
    case SND_CHMAP_RRC:
      return ChannelPosition::kRearRightCenter;
    case SND_CHMAP_TC:
      return ChannelPosition::kTopCenter;
    case SND_CHMAP_TFL:
      return ChannelPosition::kTopFrontLeft;
    case SND_CHMAP_TFR:
      return ChannelPosition::kTopFrontRight;
    case SND_CHMAP_TFC:
      return ChannelPosition::kTopFrontCenter;
    case SND_CHMAP_TRL:
      return ChannelPosition::kTopRearLeft;
    case SND_CHMAP_TRR:
      return ChannelPosition::kTopRearRight;
    case SND_CHMAP_TRC:
      return ChannelPosition::kTopRearCenter;
    default:
      return ChannelPosition::kUnknown;
  }
}

sound::StreamError AlsaPlayback::Fail(const char* call, int err) const {
  return {err,
          pcm_ + ": " + call + " failed: " + snd_strerror(err) + " (" + std::to_string(err) + ")"};
}

sound::StreamError AlsaPlayback::SetParams(sound::StreamConfig& config) {
  snd_pcm_hw_params_t* hw;
  snd_pcm_hw_params_alloca(&hw);
  int err = snd_pcm_hw_params_any(handle_, hw);
  if (err < 0) return Fail("snd_pcm_hw_params_any", err);
  if ((err = snd_pcm_hw_params_set_access(handle_, hw, SND_PCM_ACCESS_RW_INTERLEAVED)) < 0)
    return Fail("snd_pcm_hw_params_set_access", err);
  snd_pcm_hw_params_set_rate_resample(handle_, hw, 0);
  err = -EINVAL;
  for (const auto f : kFormats) {
    if (snd_pcm_hw_params_test_format(handle_, hw, f) == 0) {
      format_ = f;
      err = snd_pcm_hw_params_set_format(handle_, hw, f);
      break;
    }
  }
  if (err < 0) return Fail("snd_pcm_hw_params_set_format", err);
  unsigned channels = config.channels;
  err = channels == 0 ? snd_pcm_hw_params_set_channels_last(handle_, hw, &channels)
                      : snd_pcm_hw_params_set_channels(handle_, hw, channels);
  if (err < 0) return Fail("snd_pcm_hw_params_set_channels", err);
  unsigned rate = config.rate;
  if ((err = snd_pcm_hw_params_set_rate_near(handle_, hw, &rate, nullptr)) < 0)
    return Fail("snd_pcm_hw_params_set_rate_near", err);
  // Half a second at most, whatever the device offers; the period and
  // buffer asked for where it takes them.
  snd_pcm_uframes_t most = rate / 2, period = config.periodFrames, buffer = config.bufferFrames;
  if ((err = snd_pcm_hw_params_set_buffer_size_max(handle_, hw, &most)) < 0)
    return Fail("snd_pcm_hw_params_set_buffer_size_max", err);
  if ((err = snd_pcm_hw_params_set_period_size_near(handle_, hw, &period, nullptr)) < 0)
    return Fail("snd_pcm_hw_params_set_period_size_near", err);
  buffer = std::max(buffer, 2 * period);
  if ((err = snd_pcm_hw_params_set_buffer_size_near(handle_, hw, &buffer)) < 0)
    return Fail("snd_pcm_hw_params_set_buffer_size_near", err);
  if ((err = snd_pcm_hw_params(handle_, hw)) < 0) return Fail("snd_pcm_hw_params", err);
  snd_pcm_hw_params_get_period_size(hw, &period, nullptr);
  snd_pcm_hw_params_get_buffer_size(hw, &buffer);
  config = {channels, rate, static_cast<uint32_t>(std::min(period, buffer)),
            static_cast<uint32_t>(buffer)};
  channels_ = channels;
  snd_pcm_sw_params_t* sw;
  snd_pcm_sw_params_alloca(&sw);
  snd_pcm_sw_params_current(handle_, sw);
  // The device starts with the first period: the first sound comes soon.
  snd_pcm_sw_params_set_start_threshold(handle_, sw, period);
  snd_pcm_sw_params_set_avail_min(handle_, sw, period);
  if ((err = snd_pcm_sw_params(handle_, sw)) < 0) return Fail("snd_pcm_sw_params", err);
  return {};
}

sound::StreamError AlsaPlayback::Open(sound::StreamConfig& config) {
  Close();
  int err = snd_pcm_open(&handle_, pcm_.c_str(), SND_PCM_STREAM_PLAYBACK, 0);
  if (err < 0) {
    handle_ = nullptr;
    return Fail("snd_pcm_open", err);
  }
  if (auto e = SetParams(config)) {
    Close();
    return e;
  }
  return {};
}

std::optional<std::vector<ChannelPosition>> AlsaPlayback::ChannelMap() {
  if (!handle_) return std::nullopt;
  snd_pcm_chmap_t* map = snd_pcm_get_chmap(handle_);
  if (!map) return std::nullopt;
  std::vector<ChannelPosition> positions;
  for (unsigned i = 0; i < map->channels; ++i)
    positions.push_back(PositionOfAlsa(map->pos[i] & SND_CHMAP_POSITION_MASK));
  std::free(map);
  // A map of nothing but unknown places says nothing.
  if (std::all_of(positions.begin(), positions.end(),
                  [](ChannelPosition p) { return p == ChannelPosition::kUnknown; }))
    return std::nullopt;
  return positions;
}

sound::StreamError AlsaPlayback::Write(std::span<const float> samples) {
  if (!handle_) return {EBADF, pcm_ + ": not open"};
  bytes_.resize(samples.size() * SampleBytes(format_));
  EncodeSamples(samples.data(), samples.size(), format_, bytes_.data());
  const size_t frameBytes = bytes_.size() / std::max<size_t>(1, samples.size() / channels_);
  snd_pcm_uframes_t left = samples.size() / channels_;
  const unsigned char* p = bytes_.data();
  while (left > 0) {
    const snd_pcm_sframes_t n = snd_pcm_writei(handle_, p, left);
    if (n == -EPIPE || n == -ESTRPIPE) {
      // An underrun (or a suspend): start again from where it stands.
      if (const int err = snd_pcm_prepare(handle_); err < 0) return Fail("snd_pcm_prepare", err);
      continue;
    }
    if (n < 0) return Fail("snd_pcm_writei", static_cast<int>(n));
    left -= static_cast<snd_pcm_uframes_t>(n);
    p += static_cast<size_t>(n) * frameBytes;
  }
  return {};
}

sound::StreamError AlsaPlayback::Drain() {
  if (!handle_) return {EBADF, pcm_ + ": not open"};
  if (const int err = snd_pcm_drain(handle_); err < 0) return Fail("snd_pcm_drain", err);
  return {};
}

void AlsaPlayback::Close() {
  if (!handle_) return;
  snd_pcm_drop(handle_);
  snd_pcm_close(handle_);
  handle_ = nullptr;
}

}  // namespace tivrel::alsa
