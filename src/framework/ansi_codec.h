// 8-bit text in the system's ANSI code page, as the waveform-audio and shell
// interfaces take it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace tivrel {

class AnsiCodec {
 public:
  virtual ~AnsiCodec() = default;
  // Characters the code page cannot hold become '?', as the platform does.
  virtual std::string Encode(std::u16string_view text) const = 0;
  // Bytes that do not decode become U+FFFD; decoding stops at nothing.
  virtual std::u16string Decode(std::string_view bytes) const = 0;
};

// Each platform supplies these two: the system's ANSI code page (Windows) or
// the locale's charset (POSIX), and GBK, code page 936, explicitly.
std::unique_ptr<AnsiCodec> MakeSystemAnsiCodec();
std::unique_ptr<AnsiCodec> MakeGbkCodec();

}  // namespace tivrel
