// The wave-out capability record, its 52-byte ANSI exchange image and the
// rules that turn its fields into report words.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/ansi_codec.h"

namespace tivrel {

// Our own declaration of the record: seven fields, all read as signed. The
// platform's wReserved1 is not declared.
struct WAVEOUTCAPS {
  int16_t wMid = 0;
  int16_t wPid = 0;
  int32_t vDriverVersion = 0;
  std::array<char16_t, 32> szPname{};
  int32_t dwFormats = 0;
  int16_t wChannels = 0;
  int32_t dwSupport = 0;
};

// The platform's published ANSI layout, little-endian.
inline constexpr size_t kImageSize = 52;
inline constexpr size_t kOffMid = 0, kOffPid = 2, kOffDriverVersion = 4, kOffPname = 8,
                        kOffFormats = 40, kOffChannels = 44, kOffReserved1 = 46, kOffSupport = 48;
inline constexpr size_t kPnameBytes = 32;
// The sum of the declared fields' widths, without wReserved1: what the query is given.
inline constexpr uint32_t kQuerySize = 2 + 2 + 4 + 32 + 4 + 2 + 4;
static_assert(kQuerySize == 50);

using CapsImage = std::array<uint8_t, kImageSize>;

// Record to image right before the query: integers copied, the name encoded
// into 32 ANSI bytes (cut to fit, never splitting a double-byte character).
CapsImage ToImage(const WAVEOUTCAPS& caps, const AnsiCodec& ansi);
// Image back to record right after it: the name bytes, up to their first NUL,
// decoded into the name field from its first character on.
WAVEOUTCAPS FromImage(const CapsImage& image, const AnsiCodec& ansi);

// The decoded words of one record.
std::u16string ProductName(const WAVEOUTCAPS& caps);
std::u16string IdText(int16_t id);
struct DriverVersion {
  std::u16string major;  // decimal text
  int32_t minor = 0;     // sign follows the value
};
DriverVersion DecodeDriverVersion(int32_t v);
std::u16string ChannelText(int16_t channels);
std::vector<std::u16string> FormatList(int32_t dwFormats);
std::vector<std::u16string> SupportList(int32_t dwSupport);

inline constexpr int kFormatBits = 12;
inline constexpr int kSupportBits = 5;
extern const std::array<std::u16string_view, kFormatBits> kFormatTexts;
extern const std::array<std::u16string_view, kSupportBits> kSupportTexts;

}  // namespace tivrel
