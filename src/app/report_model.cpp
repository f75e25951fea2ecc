#include "app/report_model.h"

#include <algorithm>

#include "framework/text.h"

namespace tivrel {

int MatrixChannels(int64_t maxChannels) {
  return static_cast<int>(std::clamp<int64_t>(maxChannels, 1, kMatrixMaxChannels));
}

FormatMatrix ProbeFormatMatrix(int channels, const CombinationTest& accepts) {
  FormatMatrix matrix;
  matrix.channels = std::clamp(channels, 0, kMatrixMaxChannels);
  for (size_t f = 0; f < kSampleFormats.size(); ++f) {
    for (int c = 1; c <= matrix.channels; ++c) {
      uint16_t bits = 0;
      for (size_t r = 0; r < kMatrixRates.size(); ++r) {
        if (accepts(kSampleFormats[f].format, static_cast<unsigned>(c), kMatrixRates[r])) {
          bits = static_cast<uint16_t>(bits | (1u << r));
        }
      }
      matrix.rates[f][c - 1] = bits;
    }
  }
  return matrix;
}

std::string EscapeControls(std::string_view s) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  auto escape = [&](unsigned char b) {
    out += "\\x";
    out += kHex[b >> 4];
    out += kHex[b & 0xF];
  };
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b == '\\') {
      out += "\\\\";
      ++i;
      continue;
    }
    if (b < 0x20 || b == 0x7F) {
      escape(b);
      ++i;
      continue;
    }
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    // One UTF-8 sequence, kept whole when it is well formed and no C1 control.
    const size_t len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 0;
    const std::string_view seq = s.substr(i, len);
    // Ill-formed bytes decode to U+FFFD, which does not encode back to them.
    const bool wellFormed = len != 0 && seq.size() == len && Utf16ToUtf8(Utf8ToUtf16(seq)) == seq;
    const bool c1 = len == 2 && b == 0xC2 && static_cast<unsigned char>(seq[1]) < 0xA0;
    if (wellFormed && !c1) {
      out += seq;
      i += len;
    } else {
      escape(b);
      ++i;
    }
  }
  return out;
}

std::string LocationText(const DeviceLocation& location) {
  if (!location.hw.empty()) {
    return location.cardId.empty() ? location.hw : location.hw + " " + location.cardId;
  }
  if (location.waveDevice >= 0) return "waveOut " + std::to_string(location.waveDevice);
  return "-";
}

namespace {

std::string RateRuns(uint16_t bits) {
  std::string text;
  for (size_t r = 0; r < kMatrixRates.size();) {
    if ((bits & (1u << r)) == 0) {
      ++r;
      continue;
    }
    size_t end = r;
    while (end + 1 < kMatrixRates.size() && (bits & (1u << (end + 1))) != 0) ++end;
    if (!text.empty()) text += ", ";
    text += std::to_string(kMatrixRates[r]);
    if (end > r) text += "-" + std::to_string(kMatrixRates[end]);
    r = end + 1;
  }
  return text;
}

}  // namespace

std::vector<std::u16string> MatrixLines(const FormatMatrix& matrix) {
  std::vector<std::u16string> lines;
  auto add = [&](const std::string& utf8) { lines.push_back(Utf8ToUtf16(utf8) + u"\r\n"); };
  add("原生格式（采样格式 声道数：采样率 Hz）：");
  for (size_t f = 0; f < kSampleFormats.size(); ++f) {
    for (int c = 1; c <= matrix.channels;) {
      const uint16_t bits = matrix.Rates(f, c);
      int last = c;
      while (last < matrix.channels && matrix.Rates(f, last + 1) == bits) ++last;
      if (bits != 0) {
        std::string counts = std::to_string(c);
        if (last > c) counts += "-" + std::to_string(last);
        add(std::string(kSampleFormats[f].name) + " " + counts + "：" + RateRuns(bits));
      }
      c = last + 1;
    }
  }
  if (lines.size() == 1) add("（无）");
  return lines;
}

}  // namespace tivrel
