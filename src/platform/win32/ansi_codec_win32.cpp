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
    // Strictly: the system would otherwise turn a bad lead byte and the byte
    // after it, whatever it is, into one '?'.
    if (std::u16string out; DecodeStrict(bytes, out)) return out;
    // Character by character: the shortest run of bytes that decodes is one
    // character; a byte that starts none becomes U+FFFD, and decoding goes
    // on with the byte after it.
    CPINFO info{};
    const size_t longest = GetCPInfo(codePage_, &info) && info.MaxCharSize > 1
                               ? static_cast<size_t>(info.MaxCharSize)
                               : 1;
    std::u16string out;
    size_t i = 0;
    while (i < bytes.size()) {
      size_t used = 0;
      for (size_t n = 1; n <= longest && i + n <= bytes.size(); ++n) {
        if (DecodeStrict(bytes.substr(i, n), out)) {
          used = n;
          break;
        }
      }
      if (used == 0) {
        out.push_back(u'\uFFFD');
        used = 1;
      }
      i += used;
    }
    return out;
  }

 private:
  // Appends the bytes' text; false, appending nothing, when any is invalid.
  bool DecodeStrict(std::string_view bytes, std::u16string& out) const {
    const int size = static_cast<int>(bytes.size());
    const int n =
        MultiByteToWideChar(codePage_, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (n <= 0) return false;
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(n));
    MultiByteToWideChar(codePage_, MB_ERR_INVALID_CHARS, bytes.data(), size,
                        reinterpret_cast<wchar_t*>(out.data() + at), n);
    return true;
  }

  UINT codePage_;
};

}  // namespace

std::unique_ptr<AnsiCodec> MakeSystemAnsiCodec() { return std::make_unique<CodePageCodec>(CP_ACP); }

std::unique_ptr<AnsiCodec> MakeGbkCodec() { return std::make_unique<CodePageCodec>(936); }

}  // namespace tivrel
