// The common controls library, bound when the first control is made rather
// than when the program loads: a window's frame (caption, icon, menu bar)
// needs none of it, and loading it with its visual styles is a good part of
// the time before the main window can appear.
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
