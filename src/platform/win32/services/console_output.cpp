#include "platform/win32/services/console_output.h"

#include <algorithm>

#include "platform/win32/services/utf8.h"

namespace tivrel::win32 {

DWORD WriteAll(DWORD which, const std::string& bytes) {
  if (bytes.empty()) return 0;
  const HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return ERROR_INVALID_HANDLE;
  DWORD mode = 0;
  if (GetFileType(handle) == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode)) {
    const std::wstring text = Wide(bytes);
    for (size_t done = 0; done < text.size();) {
      DWORD written = 0;
      const auto chunk = static_cast<DWORD>(std::min<size_t>(text.size() - done, 8192));
      if (!WriteConsoleW(handle, text.data() + done, chunk, &written, nullptr) || written == 0) {
        return GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
      }
      done += written;
    }
    return 0;
  }
  for (size_t done = 0; done < bytes.size();) {
    DWORD written = 0;
    const auto chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
    if (!WriteFile(handle, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      return GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
    }
    done += written;
  }
  return 0;
}

}  // namespace tivrel::win32
