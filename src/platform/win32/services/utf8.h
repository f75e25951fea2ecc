// UTF-16 from the system to UTF-8 for the report, and back.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tivrel::win32 {

inline std::string Utf8(std::wstring_view text) {
  const auto length = static_cast<int>(text.size());
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), length, out.data(), n, nullptr, nullptr);
  return out;
}

inline std::wstring Wide(std::string_view utf8) {
  const auto length = static_cast<int>(utf8.size());
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, out.data(), n);
  return out;
}

}  // namespace tivrel::win32
