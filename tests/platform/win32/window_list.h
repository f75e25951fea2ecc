// The windows that Windows' enumerations hand to a callback, as a list. The
// callback is a plain CALLBACK function: a lambda has the wrong calling
// convention in the 32-bit build.
#pragma once

#include <windows.h>

#include <vector>

namespace tivrel::test {

inline BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

// Every top-level window of the desktop.
inline std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> found;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

// The top-level windows of one thread.
inline std::vector<HWND> ThreadWindows(DWORD thread) {
  std::vector<HWND> found;
  EnumThreadWindows(thread, CollectWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

// The descendants of a window.
inline std::vector<HWND> ChildWindows(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

}  // namespace tivrel::test
