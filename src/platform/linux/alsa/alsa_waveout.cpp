#include "platform/linux/alsa/alsa_waveout.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "framework/text.h"

namespace tivrel::alsa {

namespace {

// Every ALSA object is released on every path, including the early returns.
struct CtlClose {
  void operator()(snd_ctl_t* p) const { snd_ctl_close(p); }
};
struct CardInfoFree {
  void operator()(snd_ctl_card_info_t* p) const { snd_ctl_card_info_free(p); }
};
struct PcmInfoFree {
  void operator()(snd_pcm_info_t* p) const { snd_pcm_info_free(p); }
};
struct PcmClose {
  void operator()(snd_pcm_t* p) const { snd_pcm_close(p); }
};
struct HwParamsFree {
  void operator()(snd_pcm_hw_params_t* p) const { snd_pcm_hw_params_free(p); }
};
struct MixerClose {
  void operator()(snd_mixer_t* p) const { snd_mixer_close(p); }
};
using Ctl = std::unique_ptr<snd_ctl_t, CtlClose>;
using CardInfo = std::unique_ptr<snd_ctl_card_info_t, CardInfoFree>;
using PcmInfo = std::unique_ptr<snd_pcm_info_t, PcmInfoFree>;
using Pcm = std::unique_ptr<snd_pcm_t, PcmClose>;
using HwParams = std::unique_ptr<snd_pcm_hw_params_t, HwParamsFree>;
using Mixer = std::unique_ptr<snd_mixer_t, MixerClose>;

HwParams NewHwParams() {
  snd_pcm_hw_params_t* p = nullptr;
  if (snd_pcm_hw_params_malloc(&p) < 0) return nullptr;
  return HwParams(p);
}

// Appends the playback devices of one card; a card that cannot be asked is skipped.
void AddCardDevices(int card, std::vector<CardDevice>& out) {
  snd_ctl_t* rawCtl = nullptr;
  if (snd_ctl_open(&rawCtl, ("hw:" + std::to_string(card)).c_str(), 0) < 0) return;
  const Ctl ctl(rawCtl);
  snd_ctl_card_info_t* rawCard = nullptr;
  snd_pcm_info_t* rawPcm = nullptr;
  if (snd_ctl_card_info_malloc(&rawCard) < 0) return;
  const CardInfo cardInfo(rawCard);
  if (snd_pcm_info_malloc(&rawPcm) < 0) return;
  const PcmInfo pcmInfo(rawPcm);
  if (snd_ctl_card_info(ctl.get(), cardInfo.get()) < 0) return;
  const char* name = snd_ctl_card_info_get_name(cardInfo.get());
  int device = -1;
  while (snd_ctl_pcm_next_device(ctl.get(), &device) >= 0 && device >= 0) {
    snd_pcm_info_set_device(pcmInfo.get(), static_cast<unsigned>(device));
    snd_pcm_info_set_subdevice(pcmInfo.get(), 0);
    snd_pcm_info_set_stream(pcmInfo.get(), SND_PCM_STREAM_PLAYBACK);
    // Capture-only devices answer with an error here.
    if (snd_ctl_pcm_info(ctl.get(), pcmInfo.get()) < 0) continue;
    out.push_back({card, device, name ? name : ""});
  }
}

snd_pcm_format_t SampleFormat(unsigned bits) {
  return bits == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
}

// Up to 32 UTF-16 units of the name; ToImage cuts it to the bytes that fit.
void SetName(WAVEOUTCAPS& caps, const std::string& utf8) {
  const std::u16string name = Utf8ToUtf16(utf8);
  size_t n = std::min(name.size(), caps.szPname.size());
  // Never keep half of a surrogate pair at the cut.
  if (n < name.size() && n > 0 && name[n - 1] >= 0xD800 && name[n - 1] <= 0xDBFF) --n;
  std::copy_n(name.begin(), n, caps.szPname.begin());
}

}  // namespace

std::vector<CardDevice> EnumeratePlaybackDevices() {
  std::vector<CardDevice> devices;
  int card = -1;
  while (snd_card_next(&card) >= 0 && card >= 0) AddCardDevices(card, devices);
  return devices;
}

uint32_t ProbePcm(const std::string& pcmName, PcmCaps& caps) {
  caps = {};
  snd_pcm_t* raw = nullptr;
  // Non-blocking: a device that someone else holds answers -EBUSY at once
  // instead of waiting for it to be released.
  const int err = snd_pcm_open(&raw, pcmName.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
  if (err < 0) return OpenErrorResult(err);
  const Pcm pcm(raw);
  const HwParams any = NewHwParams();
  const HwParams trial = NewHwParams();
  if (!any || !trial) return kMmSysErrNoMem;
  if (snd_pcm_hw_params_any(pcm.get(), any.get()) < 0) return kMmSysErrError;

  unsigned int channels = 0;
  if (snd_pcm_hw_params_get_channels_max(any.get(), &channels) < 0) channels = 0;
  caps.maxChannels = ClampChannels(channels);

  // Each combination is tried as a whole on a fresh copy of the full space:
  // a device may take 8-bit mono and 16-bit stereo but not 8-bit stereo.
  caps.formats = FormatFlags([&](unsigned rate, unsigned ch, unsigned bits) {
    snd_pcm_hw_params_copy(trial.get(), any.get());
    return snd_pcm_hw_params_set_format(pcm.get(), trial.get(), SampleFormat(bits)) >= 0 &&
           snd_pcm_hw_params_set_channels(pcm.get(), trial.get(), ch) >= 0 &&
           snd_pcm_hw_params_test_rate(pcm.get(), trial.get(), rate, 0) == 0;
  });
  return kMmSysErrNoError;
}

std::vector<MixerElement> ReadMixer(const std::string& mixerName) {
  std::vector<MixerElement> elements;
  snd_mixer_t* raw = nullptr;
  if (snd_mixer_open(&raw, 0) < 0) return elements;
  const Mixer mixer(raw);  // closing it frees the elements and the attached ctl
  if (snd_mixer_attach(mixer.get(), mixerName.c_str()) < 0 ||
      snd_mixer_selem_register(mixer.get(), nullptr, nullptr) < 0 ||
      snd_mixer_load(mixer.get()) < 0) {
    return elements;
  }
  for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer.get()); e; e = snd_mixer_elem_next(e)) {
    MixerElement m;
    m.playbackVolume = snd_mixer_selem_has_playback_volume(e) != 0;
    m.volumeJoined = snd_mixer_selem_has_playback_volume_joined(e) != 0;
    m.stereo = snd_mixer_selem_is_playback_mono(e) == 0 &&
               snd_mixer_selem_has_playback_channel(e, SND_MIXER_SCHN_FRONT_LEFT) != 0 &&
               snd_mixer_selem_has_playback_channel(e, SND_MIXER_SCHN_FRONT_RIGHT) != 0;
    elements.push_back(m);
  }
  return elements;
}

AlsaWaveOut::AlsaWaveOut(const AnsiCodec& ansi, AlsaOptions options)
    : ansi_(ansi), options_(std::move(options)) {}

std::vector<CardDevice> AlsaWaveOut::Devices() const {
  // Asked afresh each time: cards come and go while the program runs.
  return options_.cards ? *options_.cards : EnumeratePlaybackDevices();
}

uint32_t AlsaWaveOut::waveOutGetNumDevs() {
  try {
    return static_cast<uint32_t>(Devices().size());
  } catch (...) {
    return 0;
  }
}

uint32_t AlsaWaveOut::QueryCaps(const CardDevice& device, WAVEOUTCAPS& caps) const {
  caps = {};
  const std::string card = std::to_string(device.card);
  const std::string pcmName = options_.pcmName.empty()
                                  ? "hw:" + card + "," + std::to_string(device.device)
                                  : options_.pcmName;
  PcmCaps pcm;
  if (const uint32_t result = ProbePcm(pcmName, pcm); result != kMmSysErrNoError) return result;

  const CardIds ids = ReadCardIds(options_.root, device.card);
  caps.wMid = static_cast<int16_t>(ids.vendor);
  caps.wPid = static_cast<int16_t>(ids.product);
  caps.vDriverVersion = ReadDriverVersion(options_.root);
  SetName(caps, device.name);
  caps.dwFormats = pcm.formats;
  caps.wChannels = static_cast<int16_t>(pcm.maxChannels);
  caps.dwSupport =
      SupportFlags(ReadMixer(options_.mixerName.empty() ? "hw:" + card : options_.mixerName));
  return kMmSysErrNoError;
}

uint32_t AlsaWaveOut::waveOutGetDevCapsA(uintptr_t deviceId, void* caps, uint32_t size) {
  // Nothing may escape into the caller: failures become result codes.
  try {
    const auto devices = Devices();
    if (deviceId >= devices.size()) return kMmSysErrBadDeviceId;
    if (caps == nullptr) return size == 0 ? kMmSysErrNoError : kMmSysErrInvalParam;
    WAVEOUTCAPS record;
    if (const uint32_t result = QueryCaps(devices[deviceId], record); result != kMmSysErrNoError) {
      return result;
    }
    // One layout for both platforms; the caller's size bounds what is written.
    const CapsImage image = ToImage(record, ansi_);
    std::memcpy(caps, image.data(), std::min<size_t>(size, image.size()));
    return kMmSysErrNoError;
  } catch (const std::bad_alloc&) {
    return kMmSysErrNoMem;
  } catch (...) {
    return kMmSysErrError;
  }
}

}  // namespace tivrel::alsa
