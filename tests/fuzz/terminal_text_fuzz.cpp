// Any bytes as a name, a holder or a system text on its way to a terminal:
// what comes out never carries a control character or a byte that is not
// UTF-8, and the input is never read beyond its end.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "cli/text_output.h"
#include "framework/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The bytes in a buffer of their own size, so that reading past them shows.
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string escaped = tivrel::EscapeControls(bytes);
  // Names cut anywhere, as the kernel cuts a long USB name: each prefix that
  // ends in the lead byte of a sequence.
  for (size_t end = 1; end < size; ++end) {
    if (data[end - 1] >= 0xC0) tivrel::EscapeControls(bytes.substr(0, end));
  }
  if (tivrel::Utf16ToUtf8(tivrel::Utf8ToUtf16(escaped)) != escaped) __builtin_trap();
  for (size_t i = 0; i < escaped.size(); ++i) {
    const auto b = static_cast<unsigned char>(escaped[i]);
    if (b < 0x20 || b == 0x7F) __builtin_trap();
    if (b == 0xC2 && i + 1 < escaped.size() && static_cast<unsigned char>(escaped[i + 1]) < 0xA0) {
      __builtin_trap();
    }
  }
  // A report line keeps its line end and nothing else raw.
  const std::string line = tivrel::TerminalText({tivrel::Utf8ToUtf16(bytes) + u"\r\n"});
  if (line.size() < 2 || line.compare(line.size() - 2, 2, "\r\n") != 0) __builtin_trap();
  return 0;
}
