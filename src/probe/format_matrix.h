// The native format matrix: every sample format x channel count x rate that
// a device takes, asked one whole combination at a time. The platforms ask
// their own audio service through a CombinationTest; the Linux service also
// derives the record's twelve standard format flags from the same test.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tivrel {

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
  // A busy device described by the system instead: the files read.
  std::vector<std::string> sources;
  bool operator==(const FormatMatrix&) const = default;
};

// The one of kSampleFormats with these sizes; nothing when none has them.
std::optional<SampleFormat> FindSampleFormat(unsigned containerBits, unsigned validBits,
                                             bool isFloat);

// How many channel counts a device whose record says `maxChannels` gets tried
// with: 1 to that count, at most 32; at least 1 when it says none.
int MatrixChannels(int64_t maxChannels);
// Whether a device takes one exact combination.
using CombinationTest = std::function<bool(SampleFormat, unsigned channels, uint32_t rate)>;
// Every combination of kSampleFormats x 1..channels x kMatrixRates.
FormatMatrix ProbeFormatMatrix(int channels, const CombinationTest& accepts);

// The record's standard format flags (bit 0 to 11: 11.025, 22.05 and 44.1 kHz
// x mono and stereo x 8 and 16 bit, in the flag table's order) that `accepts`
// allows, 8-bit being U8 and 16-bit S16_LE.
int32_t StandardFormatFlags(const CombinationTest& accepts);

}  // namespace tivrel
