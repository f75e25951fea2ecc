#include "platform/win32/common_controls.h"

#include "platform/win32/win32_util.h"

namespace tivrel::win32 {

namespace {

template <typename Fn>
Fn Bind(HMODULE module, const char* name) {
  const FARPROC address = GetProcAddress(module, name);
  if (!address) ThrowWin32(name);
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(address));
}

CommonControls Load() {
  // The manifest's side-by-side binding resolves the name before any folder
  // is searched; past it, only the system folder may answer.
  HMODULE module = LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!module && GetLastError() == ERROR_INVALID_PARAMETER) {
    // Systems without the search flags: the program has already taken the
    // current folder out of the search.
    module = LoadLibraryW(L"comctl32.dll");
  }
  if (!module) ThrowWin32("LoadLibraryExW(comctl32)");
  CommonControls c;
  c.module = module;
  const auto init = Bind<decltype(&::InitCommonControlsEx)>(module, "InitCommonControlsEx");
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
  if (!init(&icc)) ThrowWin32("InitCommonControlsEx");
  c.setWindowSubclass = Bind<decltype(c.setWindowSubclass)>(module, "SetWindowSubclass");
  c.defSubclassProc = Bind<decltype(c.defSubclassProc)>(module, "DefSubclassProc");
  c.removeWindowSubclass = Bind<decltype(c.removeWindowSubclass)>(module, "RemoveWindowSubclass");
  return c;
}

}  // namespace

const CommonControls& Comctl32() {
  // Loaded for good: the library stays for as long as the program runs. A
  // load that throws is tried again at the next call.
  static const CommonControls controls = Load();
  return controls;
}

}  // namespace tivrel::win32
