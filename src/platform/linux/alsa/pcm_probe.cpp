#include "platform/linux/alsa/pcm_probe.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>

#include "framework/platform_api.h"
#include "platform/linux/alsa/alsa_owned.h"

namespace tivrel::alsa {

namespace {

HwParams NewHwParams() {
  snd_pcm_hw_params_t* p = nullptr;
  if (snd_pcm_hw_params_malloc(&p) < 0) return nullptr;
  return HwParams(p);
}

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

// Each combination is tried as a whole on a fresh copy of the full space: a
// device may take each value alone and not the three together. The copy gets
// the format and the channel count once per pair; each rate is then tested on
// it, which leaves it as it was.
class SpaceTest {
 public:
  SpaceTest(snd_pcm_t* pcm, const snd_pcm_hw_params_t* any, snd_pcm_hw_params_t* trial)
      : pcm_(pcm), any_(any), trial_(trial) {}

  bool operator()(SampleFormat format, unsigned channels, uint32_t rate) {
    if (!pair_ || pair_->first != format || pair_->second != channels) {
      pair_ = {format, channels};
      snd_pcm_hw_params_copy(trial_, any_);
      pairTaken_ = snd_pcm_hw_params_set_format(pcm_, trial_, AlsaFormat(format)) >= 0 &&
                   snd_pcm_hw_params_set_channels(pcm_, trial_, channels) >= 0;
    }
    return pairTaken_ && snd_pcm_hw_params_test_rate(pcm_, trial_, rate, 0) == 0;
  }

 private:
  snd_pcm_t* pcm_;
  const snd_pcm_hw_params_t* any_;
  snd_pcm_hw_params_t* trial_;
  std::optional<std::pair<SampleFormat, unsigned>> pair_;
  bool pairTaken_ = false;
};

bool RateListed(const UsbAltset& altset, uint32_t rate) {
  if (altset.continuous) {
    return altset.rates.size() == 2 && altset.rates[0] <= rate && rate <= altset.rates[1];
  }
  return std::find(altset.rates.begin(), altset.rates.end(), rate) != altset.rates.end();
}

}  // namespace

PcmError WithPcmSpace(
    const std::string& pcmName, Direction stream,
    const std::function<void(unsigned maxChannels, const CombinationTest&)>& use) {
  snd_pcm_t* raw = nullptr;
  // Non-blocking: a device that someone else holds answers -EBUSY at once
  // instead of waiting for it to be released.
  const int err =
      snd_pcm_open(&raw, pcmName.c_str(),
                   stream == Direction::kCapture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK,
                   SND_PCM_NONBLOCK);
  if (err < 0) return {err};
  const Pcm pcm(raw);
  const HwParams any = NewHwParams();
  const HwParams trial = NewHwParams();
  if (!any || !trial) return {-ENOMEM};
  if (const int refused = snd_pcm_hw_params_any(pcm.get(), any.get()); refused < 0) {
    return {refused, true};
  }
  unsigned int channels = 0;
  if (snd_pcm_hw_params_get_channels_max(any.get(), &channels) < 0) channels = 0;
  use(channels, SpaceTest(pcm.get(), any.get(), trial.get()));
  return {};
}

uint32_t FailureResult(const PcmError& error, QueryNote& note) {
  note.systemText = snd_strerror(error.code);
  if (error.hwParams && error.code == -EINVAL) {
    // Opened, and no combination of parameters left at all.
    note.cause = QueryNote::Cause::kHardwareParams;
    return kMmSysErrError;
  }
  if (error.code == -EACCES || error.code == -EPERM) note.cause = QueryNote::Cause::kPermission;
  return OpenErrorResult(error.code);
}

PcmCaps CapsOf(unsigned maxChannels, const CombinationTest& accepts) {
  PcmCaps caps;
  caps.maxChannels = ClampChannels(maxChannels);
  caps.formats = StandardFormatFlags(accepts);
  if (caps.formats == 0) caps.native = ProbeFormatMatrix(MatrixChannels(maxChannels), accepts);
  return caps;
}

PcmError ProbePcm(const std::string& pcmName, Direction stream, PcmCaps& caps) {
  caps = {};
  return WithPcmSpace(pcmName, stream, [&](unsigned maxChannels, const CombinationTest& accepts) {
    caps = CapsOf(maxChannels, accepts);
  });
}

uint32_t ProbePcmMatrix(const std::string& pcmName, Direction stream, int channels,
                        FormatMatrix& matrix, QueryNote& note) {
  matrix = {};
  const PcmError err = WithPcmSpace(pcmName, stream, [&](unsigned, const CombinationTest& accepts) {
    matrix = ProbeFormatMatrix(channels, accepts);
  });
  return err ? FailureResult(err, note) : kMmSysErrNoError;
}

CombinationTest StreamTest(const std::vector<UsbAltset>& altsets) {
  return [altsets](SampleFormat format, unsigned channels, uint32_t rate) {
    const std::string_view name = kSampleFormats[static_cast<size_t>(format)].name;
    return std::any_of(altsets.begin(), altsets.end(), [&](const UsbAltset& alt) {
      return alt.channels == channels && RateListed(alt, rate) &&
             std::find(alt.formats.begin(), alt.formats.end(), name) != alt.formats.end();
    });
  };
}

uint16_t ClampChannels(unsigned int channels) {
  return channels > 0xFFFF ? uint16_t{0xFFFF} : static_cast<uint16_t>(channels);
}

uint32_t OpenErrorResult(int error) {
  switch (error) {
    case 0:
      return kMmSysErrNoError;
    // A sound server holding the device open, or a plugin saying "try later".
    case -EBUSY:
    case -EAGAIN:
      return kMmSysErrAllocated;
    // The device went away between the count and the query, or never was.
    case -ENOENT:
    case -ENODEV:
    case -ENXIO:
      return kMmSysErrBadDeviceId;
    case -ENOMEM:
      return kMmSysErrNoMem;
    // Permission and everything else: the note says which.
    default:
      return kMmSysErrError;
  }
}

}  // namespace tivrel::alsa
