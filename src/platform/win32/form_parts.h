// What the pieces of FormWindow share: the window class, the ids of its
// controls and menu items, and how a text box's lines get their width.
#pragma once

#include "platform/win32/win32.h"

namespace tivrel::win32::form_parts {

inline constexpr wchar_t kFormClass[] = L"TivrelForm";
inline constexpr int kFirstControlId = 100;  // clear of IDOK/IDCANCEL
inline constexpr UINT kFirstMenuId = 1000;
inline constexpr UINT_PTR kEditSubclassId = 1;

// A text box's lines take the whole width inside its frame and scroll bar,
// as the designs' hand-made breaks expect; the room a line has is then known
// before the box is made. A new font resets it.
void SetEditRect(HWND edit);

}  // namespace tivrel::win32::form_parts
