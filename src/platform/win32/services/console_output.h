// The terminal programs' standard streams on Windows.
#pragma once

#include <windows.h>

#include <string>

namespace tivrel::win32 {

// 0, or the Windows error of the write that failed. A console gets the text
// as UTF-16, so that Chinese shows whatever its code page; anything else (a
// file, a pipe) gets the UTF-8 bytes as they are.
DWORD WriteAll(DWORD which, const std::string& bytes);

// Whether `error` says the reader went away: Windows says so as a broken
// pipe or a pipe being closed, Wine (from the Unix EPIPE) as a pipe not
// connected.
inline bool ReaderGone(DWORD error) {
  return error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA || error == ERROR_PIPE_NOT_CONNECTED;
}

}  // namespace tivrel::win32
