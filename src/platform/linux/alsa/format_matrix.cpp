// The native format matrix of an ALSA playback device.
#include <alsa/asoundlib.h>

#include <algorithm>
#include <memory>

#include "platform/linux/alsa/alsa_handles.h"
#include "platform/linux/alsa/report_platform.h"

namespace tivrel::alsa {

namespace {

snd_pcm_format_t AlsaFormat(SampleFormat format) {
  switch (format) {
    case SampleFormat::U8:
      return SND_PCM_FORMAT_U8;
    case SampleFormat::S16:
      return SND_PCM_FORMAT_S16_LE;
    case SampleFormat::S24_3:
      return SND_PCM_FORMAT_S24_3LE;
    case SampleFormat::S24:
      return SND_PCM_FORMAT_S24_LE;
    case SampleFormat::S32:
      return SND_PCM_FORMAT_S32_LE;
    case SampleFormat::Float:
      return SND_PCM_FORMAT_FLOAT_LE;
    case SampleFormat::Float64:
      return SND_PCM_FORMAT_FLOAT64_LE;
  }
  return SND_PCM_FORMAT_UNKNOWN;
}

}  // namespace

uint32_t ProbePcmMatrix(const std::string& pcmName, int channels, FormatMatrix& matrix) {
  matrix = {};
  snd_pcm_t* raw = nullptr;
  // Never waits for a device that someone else holds.
  const int err = snd_pcm_open(&raw, pcmName.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
  if (err < 0) return OpenErrorResult(err);
  const Pcm pcm(raw);
  const HwParams any = NewHwParams();
  const HwParams trial = NewHwParams();
  if (!any || !trial) return kMmSysErrNoMem;
  if (snd_pcm_hw_params_any(pcm.get(), any.get()) < 0) return kMmSysErrError;

  // Each combination is tried as a whole on a fresh copy of the full space,
  // as the Test command's twelve are: a device may take each value alone and
  // not the three together. The copy gets the format and the channel count;
  // each rate is then tested on it, which leaves it as it was.
  matrix.channels = std::clamp(channels, 0, kMatrixMaxChannels);
  for (size_t f = 0; f < kSampleFormats.size(); ++f) {
    const snd_pcm_format_t format = AlsaFormat(kSampleFormats[f].format);
    for (int c = 1; c <= matrix.channels; ++c) {
      snd_pcm_hw_params_copy(trial.get(), any.get());
      if (snd_pcm_hw_params_set_format(pcm.get(), trial.get(), format) < 0) break;
      if (snd_pcm_hw_params_set_channels(pcm.get(), trial.get(), static_cast<unsigned>(c)) < 0) {
        continue;
      }
      uint16_t bits = 0;
      for (size_t r = 0; r < kMatrixRates.size(); ++r) {
        if (snd_pcm_hw_params_test_rate(pcm.get(), trial.get(), kMatrixRates[r], 0) == 0) {
          bits = static_cast<uint16_t>(bits | (1u << r));
        }
      }
      matrix.rates[f][static_cast<size_t>(c - 1)] = bits;
    }
  }
  return kMmSysErrNoError;
}

}  // namespace tivrel::alsa
