#include "platform/linux/alsa/alsa_waveout.h"

#include <alsa/asoundlib.h>
#include <langinfo.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>

#include "framework/text.h"
#include "platform/linux/alsa/alsa_handles.h"

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
struct MixerClose {
  void operator()(snd_mixer_t* p) const { snd_mixer_close(p); }
};
using Ctl = std::unique_ptr<snd_ctl_t, CtlClose>;
using CardInfo = std::unique_ptr<snd_ctl_card_info_t, CardInfoFree>;
using PcmInfo = std::unique_ptr<snd_pcm_info_t, PcmInfoFree>;
using Mixer = std::unique_ptr<snd_mixer_t, MixerClose>;

struct ConfigDelete {
  void operator()(snd_config_t* p) const { snd_config_delete(p); }
};

// Appends the playback devices of one card as its control device names them;
// a card that cannot be asked is skipped.
void AddControlDevices(int card, std::vector<CardDevice>& out) {
  snd_ctl_t* rawCtl = nullptr;
  if (snd_ctl_open(&rawCtl, ("hw:" + std::to_string(card)).c_str(), SND_CTL_NONBLOCK) < 0) return;
  const Ctl ctl(rawCtl);
  snd_ctl_card_info_t* rawCard = nullptr;
  snd_pcm_info_t* rawPcm = nullptr;
  if (snd_ctl_card_info_malloc(&rawCard) < 0) return;
  const CardInfo cardInfo(rawCard);
  if (snd_pcm_info_malloc(&rawPcm) < 0) return;
  const PcmInfo pcmInfo(rawPcm);
  if (snd_ctl_card_info(ctl.get(), cardInfo.get()) < 0) return;
  const char* cardName = snd_ctl_card_info_get_name(cardInfo.get());
  int device = -1;
  while (snd_ctl_pcm_next_device(ctl.get(), &device) >= 0 && device >= 0) {
    snd_pcm_info_set_device(pcmInfo.get(), static_cast<unsigned>(device));
    snd_pcm_info_set_subdevice(pcmInfo.get(), 0);
    snd_pcm_info_set_stream(pcmInfo.get(), SND_PCM_STREAM_PLAYBACK);
    // Capture-only devices answer with an error here.
    if (snd_ctl_pcm_info(ctl.get(), pcmInfo.get()) < 0) continue;
    const char* pcmName = snd_pcm_info_get_name(pcmInfo.get());
    out.push_back({card, device, DeviceName(cardName ? cardName : "", pcmName ? pcmName : "")});
  }
}

// ALSA's default card as configured: a number, a card id, or a function of
// the configuration (an environment variable) that gives one. -1: none.
int ConfiguredDefaultCard(const std::vector<CardEntry>& cards) {
  if (snd_config_update() < 0 || snd_config == nullptr) return -1;
  snd_config_t* node = nullptr;
  if (snd_config_search(snd_config, "defaults.pcm.card", &node) < 0) return -1;
  snd_config_t* rawExpanded = nullptr;
  if (snd_config_expand(node, snd_config, nullptr, nullptr, &rawExpanded) < 0) return -1;
  const std::unique_ptr<snd_config_t, ConfigDelete> expanded(rawExpanded);
  char* rawText = nullptr;
  if (snd_config_get_ascii(expanded.get(), &rawText) < 0) return -1;
  const std::string text = rawText;
  std::free(rawText);
  int number = -1;
  const auto parsed = std::from_chars(text.data(), text.data() + text.size(), number);
  if (parsed.ec == std::errc{} && parsed.ptr == text.data() + text.size()) return number;
  for (const auto& card : cards) {
    if (card.id == text) return card.index;
  }
  return -1;
}

// The playback PCMs of one card from /proc/asound/cardN/pcmDp/info.
void AddProcDevices(const std::filesystem::path& root, const CardEntry& card,
                    std::vector<CardDevice>& out) {
  const auto dir = root / "proc/asound" / ("card" + std::to_string(card.index));
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    // "pcm3p": playback device 3; "pcm0c" is a capture device.
    const std::string entry = it->path().filename().string();
    if (entry.size() < 5 || entry.compare(0, 3, "pcm") != 0 || entry.back() != 'p') continue;
    int device = -1;
    const char* last = entry.data() + entry.size() - 1;
    const auto parsed = std::from_chars(entry.data() + 3, last, device);
    if (parsed.ec != std::errc{} || parsed.ptr != last || device < 0) continue;
    const auto info = ReadSmallFile(it->path() / "info");
    const auto pcmName = info ? ProcField(*info, "name") : std::nullopt;
    out.push_back({card.index, device, DeviceName(card.name, pcmName.value_or(""))});
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

// A busy device's holder: the command name of owner_pid in subN/status.
std::string Holder(const std::filesystem::path& root, const std::filesystem::path& pcmDir) {
  const auto status = ReadSmallFile(pcmDir / "sub0" / "status");
  const auto pid = status ? ProcField(*status, "owner_pid") : std::nullopt;
  if (!pid || pid->empty() || pid->find_first_not_of("0123456789") != std::string::npos) return {};
  const auto comm = ReadSmallFile(root / "proc" / *pid / "comm");
  if (!comm) return {};
  std::string name = *comm;
  while (!name.empty() && (name.back() == '\n' || name.back() == '\0')) name.pop_back();
  return name;
}

}  // namespace

std::string DeviceName(const std::string& cardName, const std::string& pcmName) {
  if (pcmName.empty()) return cardName;
  return cardName + ": " + pcmName;
}

std::vector<CardDevice> EnumeratePlaybackDevices(const std::filesystem::path& root) {
  std::vector<CardDevice> devices;
  const auto cardsText = ReadSmallFile(root / "proc/asound/cards", 64 * 1024);
  const std::vector<CardEntry> cards =
      cardsText ? ParseCards(*cardsText) : std::vector<CardEntry>{};
  for (const auto& card : cards) AddProcDevices(root, card, devices);
  if (root == "/") {
    // Where /proc/asound is missing or partial, the control devices still tell.
    std::vector<CardDevice> control;
    int card = -1;
    while (snd_card_next(&card) >= 0 && card >= 0) AddControlDevices(card, control);
    for (auto& d : control) {
      const bool known = std::any_of(devices.begin(), devices.end(), [&](const CardDevice& k) {
        return k.card == d.card && k.device == d.device;
      });
      if (!known) devices.push_back(std::move(d));
    }
  }
  std::sort(devices.begin(), devices.end(), [](const CardDevice& a, const CardDevice& b) {
    return a.card != b.card ? a.card < b.card : a.device < b.device;
  });
  int preferred = ConfiguredDefaultCard(cards);
  if (preferred < 0) preferred = 0;
  const auto first = std::find_if(devices.begin(), devices.end(),
                                  [&](const CardDevice& d) { return d.card == preferred; });
  if (first != devices.end()) std::rotate(devices.begin(), first, first + 1);
  return devices;
}

int ProbePcm(const std::string& pcmName, PcmCaps& caps) {
  caps = {};
  snd_pcm_t* raw = nullptr;
  // Non-blocking: a device that someone else holds answers -EBUSY at once
  // instead of waiting for it to be released.
  const int err = snd_pcm_open(&raw, pcmName.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
  if (err < 0) return err;
  const Pcm pcm(raw);
  const HwParams any = NewHwParams();
  const HwParams trial = NewHwParams();
  if (!any || !trial) return -ENOMEM;
  if (snd_pcm_hw_params_any(pcm.get(), any.get()) < 0) return kHwParamsRefused;

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
  return 0;
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

uint32_t AlsaWaveOut::waveOutGetNumDevs() {
  // Asked afresh each time: cards come and go while the program runs.
  try {
    return static_cast<uint32_t>(EnumeratePlaybackDevices(options_.root).size());
  } catch (...) {
    return 0;
  }
}

uint32_t AlsaWaveOut::QueryCaps(const CardDevice& device, WAVEOUTCAPS& caps,
                                QueryNote& note) const {
  caps = {};
  note = {};
  note.device = device.HwName();
  const std::string pcmDir = "proc/asound/card" + std::to_string(device.card) + "/pcm" +
                             std::to_string(device.device) + "p";
  const auto info = ReadSmallFile(options_.root / pcmDir / "info");
  // The kernel says when no substream is free: then the device is not opened.
  const bool busy = info && ProcField(*info, "subdevices_avail") == "0";
  PcmCaps pcm;
  const int err = busy ? -EBUSY : ProbePcm(note.device, pcm);
  if (err == -EBUSY || err == -EAGAIN) {
    note.holder = Holder(options_.root, options_.root / pcmDir);
    note.systemText = snd_strerror(-EBUSY);
    // A USB device describes what it supports without being opened.
    const std::string stream = "proc/asound/card" + std::to_string(device.card) + "/stream" +
                               std::to_string(device.device);
    const auto text = ReadSmallFile(options_.root / stream, 64 * 1024);
    const auto altsets = text ? ParseUsbStream(*text) : std::vector<UsbAltset>{};
    if (altsets.empty()) return kMmSysErrAllocated;
    pcm = StreamCaps(altsets);
    note.source = "/" + stream;
    note.systemText.clear();
  } else if (err == kHwParamsRefused) {
    note.cause = QueryNote::Cause::kHardwareParams;
    note.systemText = snd_strerror(-EINVAL);
    return kMmSysErrError;
  } else if (err < 0) {
    if (err == -EACCES || err == -EPERM) note.cause = QueryNote::Cause::kPermission;
    note.systemText = snd_strerror(err);
    return OpenErrorResult(err);
  }

  const CardIds ids = ReadCardIds(options_.root, device.card);
  caps.wMid = static_cast<int16_t>(ids.vendor);
  caps.wPid = static_cast<int16_t>(ids.product);
  caps.vDriverVersion = ReadDriverVersion(options_.root);
  SetName(caps, device.name);
  caps.dwFormats = pcm.formats;
  caps.wChannels = static_cast<int16_t>(pcm.maxChannels);
  caps.dwSupport = SupportFlags(ReadMixer("hw:" + std::to_string(device.card)));
  return kMmSysErrNoError;
}

uint32_t AlsaWaveOut::waveOutGetDevCapsA(uintptr_t deviceId, void* caps, uint32_t size) {
  note_ = {};
  // Nothing may escape into the caller: failures become result codes.
  try {
    const auto devices = EnumeratePlaybackDevices(options_.root);
    if (deviceId >= devices.size()) return kMmSysErrBadDeviceId;
    if (caps == nullptr) return size == 0 ? kMmSysErrNoError : kMmSysErrInvalParam;
    WAVEOUTCAPS record;
    if (const uint32_t result = QueryCaps(devices[deviceId], record, note_);
        result != kMmSysErrNoError) {
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

namespace {

// Card names are UTF-8 already; only the record's 8-bit field is in between.
class Utf8Codec final : public AnsiCodec {
 public:
  std::string Encode(std::u16string_view text) const override { return Utf16ToUtf8(text); }
  std::u16string Decode(std::string_view bytes) const override { return Utf8ToUtf16(bytes); }
};

}  // namespace

std::unique_ptr<AnsiCodec> MakeRecordCodec() {
  auto system = MakeSystemAnsiCodec();  // sets LC_CTYPE from the environment
  const std::string_view charset = nl_langinfo(CODESET);
  if (charset == "ANSI_X3.4-1968" || charset == "ASCII" || charset == "US-ASCII") {
    return std::make_unique<Utf8Codec>();
  }
  return system;
}

}  // namespace tivrel::alsa
