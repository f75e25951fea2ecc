// The waveform-audio service on Linux: ALSA's playback PCM devices answer
// waveOutGetNumDevs and waveOutGetDevCapsA in the shapes of the Windows calls.
// No Qt here: tivrel-report links it on its own.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/ansi_codec.h"
#include "framework/platform_api.h"
#include "probe/waveoutcaps.h"

namespace tivrel::alsa {

// The capability query's answer to a null record pointer.
inline constexpr uint32_t kMmSysErrInvalParam = 11;

// One playback PCM device: card and device numbers and the card's name.
struct CardDevice {
  int card = 0;
  int device = 0;
  std::string name;  // as ALSA gives it (UTF-8)
  bool operator==(const CardDevice&) const = default;
};

// The playback PCM devices of all sound cards, in ALSA's order (as `aplay -l`
// lists them). No card, or no ALSA: an empty list.
std::vector<CardDevice> EnumeratePlaybackDevices();

struct AlsaOptions {
  // Root under which /sys and /proc are read.
  std::filesystem::path root = "/";
  // The PCM to probe for every device; empty means "hw:C,D".
  std::string pcmName;
  // The mixer to look for volume controls; empty means "hw:C".
  std::string mixerName;
  // The devices; unset means EnumeratePlaybackDevices() on each call.
  std::optional<std::vector<CardDevice>> cards;
};

class AlsaWaveOut final : public WaveOutApi {
 public:
  // `ansi` gives the charset of the record's name bytes; it must outlive this.
  explicit AlsaWaveOut(const AnsiCodec& ansi, AlsaOptions options = {});

  uint32_t waveOutGetNumDevs() override;
  // Writes the 52-byte exchange image, no more than `size` bytes of it.
  uint32_t waveOutGetDevCapsA(uintptr_t deviceId, void* caps, uint32_t size) override;

  // The record of one device, as the query fills it; 0 or an MMSYSERR code.
  uint32_t QueryCaps(const CardDevice& device, WAVEOUTCAPS& caps) const;

 private:
  std::vector<CardDevice> Devices() const;

  const AnsiCodec& ansi_;
  AlsaOptions options_;
};

// ---- The PCM and mixer probes ----

struct PcmCaps {
  uint16_t maxChannels = 0;
  int32_t formats = 0;  // the format-flag bits
};
// Opens `pcmName` for playback without blocking and tests the twelve
// standard formats. 0 or an MMSYSERR code.
uint32_t ProbePcm(const std::string& pcmName, PcmCaps& caps);

struct MixerElement {
  bool playbackVolume = false;
  bool volumeJoined = false;
  bool stereo = false;
};
// The simple elements of `mixerName`; none when it cannot be opened.
std::vector<MixerElement> ReadMixer(const std::string& mixerName);

// ---- Pure rules, kept apart so that they can be tested without a card ----

// Whether the device takes one rate/channels/bits combination.
using FormatTest = std::function<bool(unsigned rate, unsigned channels, unsigned bits)>;
// The format-flag bits: 11025/22050/44100 Hz x mono/stereo x 8/16 bit.
int32_t FormatFlags(const FormatTest& supports);
// Volume (bit 2) and left-right (bit 3); pitch, playback rate and sync never.
int32_t SupportFlags(const std::vector<MixerElement>& elements);
// The record's channel count is 16 bits wide.
uint16_t ClampChannels(unsigned int channels);
// snd_pcm_open's negative errno as a waveform-audio result.
uint32_t OpenErrorResult(int error);

// "0x8086\n" as sysfs writes PCI ids.
std::optional<uint16_t> ParsePciId(std::string_view text);
struct UsbId {
  uint16_t vendor = 0;
  uint16_t product = 0;
  bool operator==(const UsbId&) const = default;
};
// "046d:0a44\n" as /proc/asound/cardN/usbid has it.
std::optional<UsbId> ParseUsbId(std::string_view text);
// "... Driver Version k6.1.0-13-amd64." -> 0x0601 (major * 256 + minor).
std::optional<int32_t> ParseAlsaVersion(std::string_view text);
// "0,0,Name;1,3,Other" (card, device, name) for the test seam of tivrel-report.
std::optional<std::vector<CardDevice>> ParseCardList(std::string_view text);

// The test seam of both programs, tivrel and tivrel-report: three environment
// variables replace what the service looks at.
//   TIVREL_ALSA_ROOT   folder holding the sys/ and proc/ trees to read
//   TIVREL_ALSA_PCM    PCM probed for every device instead of hw:C,D
//   TIVREL_ALSA_CARDS  device list "card,device,name;..." instead of ALSA's
// Unset, the real system is read. A malformed device list gives nothing.
std::optional<AlsaOptions> OptionsFromEnvironment();

// ---- /sys and /proc under a root ----

struct CardIds {
  uint16_t vendor = 0;
  uint16_t product = 0;
  bool operator==(const CardIds&) const = default;
};
// PCI ids from sysfs, else USB ids from procfs, else zeros.
CardIds ReadCardIds(const std::filesystem::path& root, int card);
// The ALSA driver version, 0 when unknown.
int32_t ReadDriverVersion(const std::filesystem::path& root);
// At most `limit` bytes; a missing, unreadable or longer file gives nothing.
std::optional<std::string> ReadSmallFile(const std::filesystem::path& path, size_t limit = 4096);

}  // namespace tivrel::alsa
