// The text formats of the kernel's sound files, parsed. Pure: the files are
// read elsewhere (kernel_files.h), so that any text can be given here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "probe/direction.h"

namespace tivrel::alsa {

// A PCM plays or records; the kernel's files say so with 'p' and 'c'.
inline char StreamLetter(Direction stream) { return stream == Direction::kCapture ? 'c' : 'p'; }

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
// One card of /proc/asound/cards.
struct CardEntry {
  int index = 0;
  std::string id;      // "PCH"
  std::string name;    // "HDA Intel PCH"
  std::string driver;  // "HDA-Intel"
  bool operator==(const CardEntry&) const = default;
};
std::vector<CardEntry> ParseCards(std::string_view text);
// One "key: value" of pcmDp/info or subN/status, trimmed; absent: nothing.
std::optional<std::string> ProcField(std::string_view text, std::string_view key);
// One altset of a USB device's /proc/asound/cardN/streamM.
struct UsbAltset {
  std::vector<std::string> formats;  // "S16_LE"
  unsigned channels = 0;
  std::vector<unsigned> rates;  // a list, or with `continuous` the two ends
  bool continuous = false;
  bool operator==(const UsbAltset&) const = default;
};
// The altsets of the "Playback:" or the "Capture:" section.
std::vector<UsbAltset> ParseUsbStream(std::string_view text,
                                      Direction stream = Direction::kPlayback);

// One converter widget of an HDA codec (/proc/asound/cardN/codec#M): an
// "Audio Output" (DAC) or "Audio Input" (ADC) node with what it converts.
struct HdaConverter {
  unsigned node = 0;
  bool input = false;           // Audio Input rather than Audio Output
  bool digital = false;         // S/PDIF or HDMI, not an analog jack
  unsigned channels = 1;        // "Mono", "Stereo" or "8-Channels"
  std::vector<unsigned> rates;  // Hz
  std::vector<unsigned> bits;   // 8, 16, 20, 24, 32
  bool floats = false;          // 32-bit float samples
  bool operator==(const HdaConverter&) const = default;
};
// The converters of one codec; a node without its own PCM caps takes the
// codec's defaults ("Default PCM:"), as the driver does.
std::vector<HdaConverter> ParseHdaConverters(std::string_view text);

// What a codec file says of its outputs beside the converters: the type of
// each playback PCM's converter, and how many outputs its pins route as the
// driver's line-outs (its Line Out jacks, else its speakers, else its
// headphones; each a stereo pair).
struct HdaOutputs {
  struct Pcm {
    int device = 0;
    std::string type;  // "Audio", "SPDIF", "HDMI"
    bool operator==(const Pcm&) const = default;
  };
  std::vector<Pcm> pcms;
  unsigned lineOuts = 0;
  bool operator==(const HdaOutputs&) const = default;
};
HdaOutputs ParseHdaOutputs(std::string_view text);

// What a running substream plays (subN/hw_params); nothing when it is closed.
struct RunningParams {
  std::string format;  // "S16_LE"
  unsigned channels = 0;
  unsigned rate = 0;
  bool operator==(const RunningParams&) const = default;
};
std::optional<RunningParams> ParseHwParams(std::string_view text);

}  // namespace tivrel::alsa
