#include "probe/format_matrix.h"

#include <algorithm>

namespace tivrel {

int MatrixChannels(int64_t maxChannels) {
  return static_cast<int>(std::clamp<int64_t>(maxChannels, 1, kMatrixMaxChannels));
}

std::optional<SampleFormat> FindSampleFormat(unsigned containerBits, unsigned validBits,
                                             bool isFloat) {
  for (const auto& info : kSampleFormats) {
    if (info.containerBits == containerBits && info.validBits == validBits &&
        info.isFloat == isFloat) {
      return info.format;
    }
  }
  return std::nullopt;
}

FormatMatrix ProbeFormatMatrix(int channels, const CombinationTest& accepts) {
  FormatMatrix matrix;
  matrix.channels = std::clamp(channels, 0, kMatrixMaxChannels);
  // Rates innermost: a test may keep the format and channel count it set up
  // for one rate and try the next rate on it.
  for (size_t f = 0; f < kSampleFormats.size(); ++f) {
    for (int c = 1; c <= matrix.channels; ++c) {
      uint16_t bits = 0;
      for (size_t r = 0; r < kMatrixRates.size(); ++r) {
        if (accepts(kSampleFormats[f].format, static_cast<unsigned>(c), kMatrixRates[r])) {
          bits = static_cast<uint16_t>(bits | (1u << r));
        }
      }
      matrix.rates[f][static_cast<size_t>(c - 1)] = bits;
    }
  }
  return matrix;
}

int32_t StandardFormatFlags(const CombinationTest& accepts) {
  // Per rate four bits: mono 8, stereo 8, mono 16, stereo 16.
  static constexpr uint32_t kRates[] = {11025, 22050, 44100};
  int32_t flags = 0;
  int bit = 0;
  for (const uint32_t rate : kRates) {
    for (const SampleFormat format : {SampleFormat::U8, SampleFormat::S16}) {
      for (const unsigned channels : {1u, 2u}) {
        if (accepts(format, channels, rate)) flags |= int32_t{1} << bit;
        ++bit;
      }
    }
  }
  return flags;
}

}  // namespace tivrel
