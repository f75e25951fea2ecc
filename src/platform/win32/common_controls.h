// The common controls library, bound by name when the first window makes its
// controls: version 6 from the side-by-side assembly that the manifest names,
// else from the system folder, never from the program's.
#pragma once

#include "platform/win32/win32.h"
// After windows.h, which it needs.
#include <commctrl.h>

namespace tivrel::win32 {

struct CommonControls {
  HMODULE module = nullptr;
  decltype(&::SetWindowSubclass) setWindowSubclass = nullptr;
  decltype(&::DefSubclassProc) defSubclassProc = nullptr;
  decltype(&::RemoveWindowSubclass) removeWindowSubclass = nullptr;
};

// Loads the library (version 6, side by side, as the manifest asks) and
// registers its window classes at the first call; throws tivrel::Error when
// it cannot.
const CommonControls& Comctl32();

}  // namespace tivrel::win32
