// What tivrel-report learns about each output device before it is written as
// text or JSON, and what it asks of the platform beyond the Test command's two
// waveform calls.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/ansi_codec.h"
#include "framework/platform_api.h"
#include "probe/report_text.h"
#include "probe/waveoutcaps.h"

namespace tivrel {

// ---- The native format matrix ----

enum class SampleFormat : uint8_t { U8, S16, S24_3, S24, S32, Float, Float64 };

struct SampleFormatInfo {
  SampleFormat format;
  std::string_view name;  // ALSA's name for it, little-endian
  uint16_t containerBits;
  uint16_t validBits;
  bool isFloat;
};
inline constexpr std::array<SampleFormatInfo, 7> kSampleFormats = {{
    {SampleFormat::U8, "U8", 8, 8, false},
    {SampleFormat::S16, "S16_LE", 16, 16, false},
    {SampleFormat::S24_3, "S24_3LE", 24, 24, false},
    {SampleFormat::S24, "S24_LE", 32, 24, false},
    {SampleFormat::S32, "S32_LE", 32, 32, false},
    {SampleFormat::Float, "FLOAT_LE", 32, 32, true},
    {SampleFormat::Float64, "FLOAT64_LE", 64, 64, true},
}};
inline constexpr std::array<uint32_t, 15> kMatrixRates = {8000,   11025,  16000,  22050,  32000,
                                                          44100,  48000,  88200,  96000,  176400,
                                                          192000, 352800, 384000, 705600, 768000};
inline constexpr int kMatrixMaxChannels = 32;

struct FormatMatrix {
  // Channel counts 1..channels were tried.
  int channels = 0;
  // rates[format][channels - 1]: bit r set when kMatrixRates[r] was accepted.
  std::array<std::array<uint16_t, kMatrixMaxChannels>, kSampleFormats.size()> rates{};

  uint16_t Rates(size_t format, int channelCount) const {
    return channelCount >= 1 && channelCount <= channels ? rates[format][channelCount - 1] : 0;
  }
  // A busy device described by the kernel instead: the file read.
  std::string source;
  bool operator==(const FormatMatrix&) const = default;
};

// How many channel counts a device whose record says `maxChannels` gets tried
// with: 1 to that count, at most 32; at least 1 when it says none.
int MatrixChannels(int64_t maxChannels);
// Whether a device takes one exact combination.
using CombinationTest = std::function<bool(SampleFormat, unsigned channels, uint32_t rate)>;
// Every combination of kSampleFormats x 1..channels x kMatrixRates.
FormatMatrix ProbeFormatMatrix(int channels, const CombinationTest& accepts);

// ---- Devices ----

// Where a device lives, as its platform names it; fields that the platform
// does not have stay empty or -1.
struct DeviceLocation {
  // Linux: ALSA's card and device numbers, "hw:C,D", the card's id and driver.
  int card = -1;
  int device = -1;
  std::string hw;
  std::string cardId;
  std::string driver;
  // Windows: the waveform device number.
  int64_t waveDevice = -1;
};

struct DeviceListing {
  std::string name;  // UTF-8, whole (the record holds 31 bytes of it)
  DeviceLocation location;
};

class ReportPlatform {
 public:
  virtual ~ReportPlatform() = default;
  virtual WaveOutApi& waveOut() = 0;
  virtual const AnsiCodec& ansi() = 0;
  // Every output device, indexed by device number.
  virtual std::vector<DeviceListing> ListDevices() = 0;
  // The native format matrix of `device`, channels 1..channels; 0 or a result code.
  virtual uint32_t ProbeMatrix(uint32_t device, int channels, FormatMatrix& matrix) = 0;
  // The system's own words for a result code, where the query's note has none.
  virtual std::string SystemText(uint32_t /*result*/) { return {}; }
};

// One device as tivrel-report writes it.
struct DeviceReport {
  uint32_t number = 0;
  DeviceListing listing;
  bool queried = false;  // false for --list
  ProbeResult probe;     // the capability query: result, record and note
  std::optional<FormatMatrix> matrix;
  uint32_t matrixResult = 0;  // when the matrix was asked for and could not be probed
};

// ---- Text ----

// Bytes safe to show on a terminal: control characters (C0, DEL, C1) and bytes
// that are not UTF-8 become \xNN, a backslash becomes \\.
std::string EscapeControls(std::string_view utf8);
// "hw:0,0 PCH" on Linux, "waveOut 0" on Windows.
std::string LocationText(const DeviceLocation& location);
// The matrix as lines of text with CR LF: per format and channel count the
// accepted rates, runs of the rate list joined, equal neighbouring channel
// counts joined.
std::vector<std::u16string> MatrixLines(const FormatMatrix& matrix);

}  // namespace tivrel
