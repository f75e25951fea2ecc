// The waveform-audio service on Linux: ALSA's playback PCM devices answer
// waveOutGetNumDevs and waveOutGetDevCapsA in the shapes of the Windows calls.
// No Qt here: tivrel-report links it on its own.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/ansi_codec.h"
#include "framework/platform_api.h"
#include "probe/query_note.h"
#include "probe/waveoutcaps.h"

namespace tivrel::alsa {

// The capability query's answer to a null record pointer.
inline constexpr uint32_t kMmSysErrInvalParam = 11;

// One playback PCM device as the kernel lists it.
struct CardDevice {
  int card = 0;
  int device = 0;
  std::string name;  // "card name: PCM name", as ALSA gives them (UTF-8)
  std::string HwName() const { return "hw:" + std::to_string(card) + "," + std::to_string(device); }
  bool operator==(const CardDevice&) const = default;
};

// "HDA Intel PCH: ALC892 Analog"; the card's name alone for a nameless PCM.
std::string DeviceName(const std::string& cardName, const std::string& pcmName);

// The playback PCM devices under `root`: from /proc/asound, readable by
// anyone, so that a card the user may not open is still listed; for the real
// root also from ALSA's control interface. The first playback device of ALSA's
// default card (defaults.pcm.card, else card 0) comes first, then the others in
// card and device order. No card: an empty list.
std::vector<CardDevice> EnumeratePlaybackDevices(const std::filesystem::path& root = "/");

struct AlsaOptions {
  // Root under which /sys and /proc are read.
  std::filesystem::path root = "/";
};

class AlsaWaveOut final : public WaveOutApi, public QueryNoteSource {
 public:
  // `ansi` gives the charset of the record's name bytes; it must outlive this.
  explicit AlsaWaveOut(const AnsiCodec& ansi, AlsaOptions options = {});

  uint32_t waveOutGetNumDevs() override;
  // Writes the 52-byte exchange image, no more than `size` bytes of it.
  uint32_t waveOutGetDevCapsA(uintptr_t deviceId, void* caps, uint32_t size) override;
  QueryNote LastQueryNote() const override { return note_; }

  // The record of one device, as the query fills it; 0 or an MMSYSERR code,
  // with what there is to say about it in `note`.
  uint32_t QueryCaps(const CardDevice& device, WAVEOUTCAPS& caps, QueryNote& note) const;

 private:
  const AnsiCodec& ansi_;
  AlsaOptions options_;
  QueryNote note_;
};

// The locale's charset, or UTF-8 where that is ASCII (the C locale), so that
// card names are never lost on the way through the record.
std::unique_ptr<AnsiCodec> MakeRecordCodec();

// ---- The PCM and mixer probes ----

struct PcmCaps {
  uint16_t maxChannels = 0;
  int32_t formats = 0;  // the format-flag bits
};
// Opens `pcmName` for playback without blocking and tests the twelve
// standard formats. 0 or a negative errno; kHwParamsRefused when the device
// opened but has no parameter space.
inline constexpr int kHwParamsRefused = 1;
int ProbePcm(const std::string& pcmName, PcmCaps& caps);

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
// The kernel's files of /proc/asound.
struct CardEntry {
  int index = 0;
  std::string id;      // "PCH"
  std::string name;    // "HDA Intel PCH"
  std::string driver;  // "HDA-Intel"
  bool operator==(const CardEntry&) const = default;
};
// /proc/asound/cards.
std::vector<CardEntry> ParseCards(std::string_view text);
// One "key: value" of pcmDp/info or subN/status, trimmed; absent: nothing.
std::optional<std::string> ProcField(std::string_view text, std::string_view key);
// One playback altset of a USB device's /proc/asound/cardN/streamM.
struct UsbAltset {
  std::vector<std::string> formats;  // "S16_LE"
  unsigned channels = 0;
  std::vector<unsigned> rates;  // a list, or with `continuous` the two ends
  bool continuous = false;
  bool operator==(const UsbAltset&) const = default;
};
std::vector<UsbAltset> ParseUsbStream(std::string_view text);
// What the altsets allow, in the shape of the probe's answer.
PcmCaps StreamCaps(const std::vector<UsbAltset>& altsets);

// The test seam of both programs, tivrel and tivrel-report:
//   TIVREL_ALSA_ROOT   folder holding the sys/ and proc/ trees to read
// Unset, the real system is read. ALSA's own ALSA_CONFIG_PATH gives the PCMs.
AlsaOptions OptionsFromEnvironment();

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
// At most `limit` bytes of a regular file, opened without blocking so that a
// FIFO in its place cannot hang the caller; anything else gives nothing.
std::optional<std::string> ReadSmallFile(const std::filesystem::path& path, size_t limit = 4096);

}  // namespace tivrel::alsa
