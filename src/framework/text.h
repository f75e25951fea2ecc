// Small text helpers shared by the core and both platforms.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tivrel {

// Lossless for valid input; ill-formed sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// Plain decimal: "-" for negatives, no blank, no leading zeros, no grouping.
std::u16string DecimalText(int64_t value);
// Decimal with a sign slot: one leading blank for zero and positives.
std::u16string SignSlotText(int64_t value);

}  // namespace tivrel
