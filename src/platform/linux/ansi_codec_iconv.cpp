// The ANSI code page on POSIX systems: the locale's charset, through iconv.
#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <clocale>
#include <string>

#include "framework/ansi_codec.h"

namespace tivrel {

namespace {

class IconvCodec final : public AnsiCodec {
 public:
  explicit IconvCodec(std::string charset) : charset_(std::move(charset)) {}

  std::string Encode(std::u16string_view text) const override {
    std::string out;
    // Character by character, so that one the charset lacks becomes '?'.
    for (size_t i = 0; i < text.size();) {
      const size_t n = (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size()) ? 2 : 1;
      std::string bytes;
      if (Convert("UTF-16LE", charset_, AsBytes(text.substr(i, n)), bytes)) {
        out += bytes;
      } else {
        out += '?';
      }
      i += n;
    }
    return out;
  }

  std::u16string Decode(std::string_view bytes) const override {
    std::u16string out;
    size_t i = 0;
    // Longest valid prefix first; a byte that starts no valid character
    // becomes U+FFFD and decoding goes on after it.
    while (i < bytes.size()) {
      std::string utf16;
      size_t used = 0;
      ConvertPrefix(charset_, "UTF-16LE", bytes.substr(i), utf16, used);
      for (size_t k = 0; k + 1 < utf16.size(); k += 2) {
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(utf16[k]) |
                                            (static_cast<unsigned char>(utf16[k + 1]) << 8)));
      }
      i += used;
      if (i < bytes.size() && used == 0) {
        out.push_back(u'\uFFFD');
        ++i;
      }
    }
    return out;
  }

 private:
  static std::string AsBytes(std::u16string_view s) {
    std::string b;
    for (char16_t c : s) {
      b.push_back(static_cast<char>(c & 0xFF));
      b.push_back(static_cast<char>(c >> 8));
    }
    return b;
  }

  // Whole input or nothing.
  static bool Convert(const std::string& from, const std::string& to, const std::string& in,
                      std::string& out) {
    size_t used = 0;
    return ConvertPrefix(from, to, in, out, used) && used == in.size();
  }

  // Converts as much of `in` as forms whole valid characters.
  static bool ConvertPrefix(const std::string& from, const std::string& to, std::string_view in,
                            std::string& out, size_t& used) {
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string buffer(in.size() * 4 + 8, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = buffer.data();
    size_t dstLeft = buffer.size();
    const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    used = in.size() - srcLeft;
    out.assign(buffer.data(), buffer.size() - dstLeft);
    return rc != static_cast<size_t>(-1) || used > 0;
  }

  std::string charset_;
};

}  // namespace

std::unique_ptr<AnsiCodec> MakeSystemAnsiCodec() {
  // The charset of the user's locale, as the program was started in it.
  std::setlocale(LC_CTYPE, "");
  const char* charset = nl_langinfo(CODESET);
  return std::make_unique<IconvCodec>(charset && *charset ? charset : "UTF-8");
}

std::unique_ptr<AnsiCodec> MakeGbkCodec() { return std::make_unique<IconvCodec>("GBK"); }

}  // namespace tivrel
