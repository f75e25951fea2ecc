#include "platform/linux/alsa/wave_out.h"

#include <alsa/asoundlib.h>
#include <langinfo.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "framework/text.h"
#include "platform/linux/alsa/busy_device.h"
#include "platform/linux/alsa/kernel_files.h"
#include "platform/linux/alsa/mixer.h"
#include "platform/linux/alsa/pcm_probe.h"

namespace tivrel::alsa {

namespace {

// Up to 32 UTF-16 units of the name; ToImage cuts it to the bytes that fit.
void SetName(WAVEOUTCAPS& caps, const std::string& utf8) {
  const std::u16string name = Utf8ToUtf16(utf8);
  size_t n = std::min(name.size(), caps.szPname.size());
  // Never keep half of a surrogate pair at the cut.
  if (n < name.size() && n > 0 && name[n - 1] >= 0xD800 && name[n - 1] <= 0xDBFF) --n;
  std::copy_n(name.begin(), n, caps.szPname.begin());
}

}  // namespace

AlsaOptions OptionsFromEnvironment() {
  AlsaOptions options;
  if (const char* root = std::getenv("TIVREL_ALSA_ROOT")) options.root = root;
  return options;
}

AlsaWaveOut::AlsaWaveOut(const AnsiCodec& ansi, AlsaOptions options)
    : ansi_(ansi), options_(std::move(options)) {}

const DeviceList& AlsaWaveOut::Refresh() {
  devices_ = ListCardDevices({options_.root, options_.stream});
  return *devices_;
}

const DeviceList& AlsaWaveOut::Devices() { return devices_ ? *devices_ : Refresh(); }

void AlsaWaveOut::SetStream(Direction stream) {
  if (stream == options_.stream) return;
  options_.stream = stream;
  devices_.reset();
}

uint32_t AlsaWaveOut::waveOutGetNumDevs() {
  try {
    return static_cast<uint32_t>(Refresh().devices.size());
  } catch (...) {
    devices_.reset();
    return 0;
  }
}

namespace {

// A device that someone else holds, described from what the kernel tells;
// kMmSysErrAllocated when it tells nothing.
uint32_t DescribeInUse(const std::filesystem::path& root, const CardDevice& device,
                       const PcmFiles& files, PcmCaps& pcm, QueryNote& note) {
  note.holder = ReadHolder(files);
  const auto described = DescribeBusyDevice(root, device);
  if (!described) {
    note.systemText = snd_strerror(-EBUSY);
    return kMmSysErrAllocated;
  }
  pcm = CapsOf(described->maxChannels, described->accepts);
  note.sources = described->sources;
  note.described = described->accepts;
  if (described->playing) {
    const RunningParams& p = *described->playing;
    note.playing = QueryNote::Playing{p.format, p.channels, p.rate};
  }
  return kMmSysErrNoError;
}

}  // namespace

uint32_t AlsaWaveOut::QueryCaps(const CardDevice& device, WAVEOUTCAPS& caps,
                                QueryNote& note) const {
  caps = {};
  note = {};
  note.device = device.HwName();
  const std::filesystem::path& root = options_.root;
  // The kernel says when no substream is free: then the device is not opened.
  const PcmFiles files{root, device.card, device.device, device.stream};
  PcmCaps pcm;
  const PcmError err =
      NoFreeSubstream(files) ? PcmError{-EBUSY} : ProbePcm(note.device, device.stream, pcm);
  if (err.code == -EBUSY || err.code == -EAGAIN) {
    if (const uint32_t result = DescribeInUse(root, device, files, pcm, note); result != 0) {
      return result;
    }
  } else if (err) {
    return FailureResult(err, note);
  }

  const CardIds ids = ReadCardIds(root, device.card);
  caps.wMid = static_cast<int16_t>(ids.vendor);
  caps.wPid = static_cast<int16_t>(ids.product);
  caps.vDriverVersion = ReadDriverVersion(root);
  SetName(caps, device.name);
  caps.dwFormats = pcm.formats;
  caps.wChannels = static_cast<int16_t>(pcm.maxChannels);
  // An input's record, as Windows' WAVEINCAPS, has no support flags.
  if (device.stream == Direction::kPlayback) {
    caps.dwSupport = OutputFlags(root, device);
  }
  note.native = std::move(pcm.native);
  return kMmSysErrNoError;
}

uint32_t AlsaWaveOut::waveOutGetDevCapsA(uintptr_t deviceId, void* caps, uint32_t size) {
  QueryNote unread;
  return QueryDevCaps(deviceId, caps, size, unread);
}

uint32_t AlsaWaveOut::QueryDevCaps(uintptr_t deviceId, void* caps, uint32_t size, QueryNote& note) {
  note = {};
  // Nothing may escape into the caller: failures become result codes.
  try {
    const auto& devices = Devices().devices;
    if (deviceId >= devices.size()) return kMmSysErrBadDeviceId;
    if (caps == nullptr) return size == 0 ? kMmSysErrNoError : kMmSysErrInvalParam;
    WAVEOUTCAPS record;
    if (const uint32_t result = QueryCaps(devices[deviceId], record, note);
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
