// The system's ANSI code page on Windows.
#include <windows.h>

#include "framework/ansi_codec.h"

namespace tivrel {

namespace {

class CodePageCodec final : public AnsiCodec {
 public:
  explicit CodePageCodec(UINT codePage) : codePage_(codePage) {}

  std::string Encode(std::u16string_view text) const override {
    if (text.empty()) return {};
    const auto* src = reinterpret_cast<const wchar_t*>(text.data());
    const int n = WideCharToMultiByte(codePage_, 0, src, static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) {
      WideCharToMultiByte(codePage_, 0, src, static_cast<int>(text.size()), out.data(), n, nullptr,
                          nullptr);
    }
    return out;
  }

  std::u16string Decode(std::string_view bytes) const override {
    if (bytes.empty()) return {};
    const int n =
        MultiByteToWideChar(codePage_, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::u16string out(static_cast<size_t>(n > 0 ? n : 0), u'\0');
    if (n > 0) {
      MultiByteToWideChar(codePage_, 0, bytes.data(), static_cast<int>(bytes.size()),
                          reinterpret_cast<wchar_t*>(out.data()), n);
    }
    return out;
  }

 private:
  UINT codePage_;
};

}  // namespace

std::unique_ptr<AnsiCodec> MakeSystemAnsiCodec() { return std::make_unique<CodePageCodec>(CP_ACP); }

std::unique_ptr<AnsiCodec> MakeGbkCodec() { return std::make_unique<CodePageCodec>(936); }

}  // namespace tivrel
