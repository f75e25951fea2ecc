// Our own equivalents of the two hosted controls: the bitmap push button
// (window class TivrelButton) and the scrolling line (TivrelMovingText).
// Both tell their parent through WM_COMMAND: kNotifyClick once per press of
// the button, kNotifySetFocus each time either control receives the focus.
#pragma once

#include "framework/design.h"
#include "platform/win32/win32.h"

namespace tivrel::win32 {

inline constexpr wchar_t kButtonClass[] = L"TivrelButton";
inline constexpr wchar_t kMovingTextClass[] = L"TivrelMovingText";

inline constexpr WORD kNotifyClick = BN_CLICKED;
inline constexpr WORD kNotifySetFocus = BN_SETFOCUS;

// The button's Boolean property (dispatch id 0x6803000F): wParam is the value.
inline constexpr UINT kMsgSetFlag = WM_APP + 1;
inline constexpr UINT kMsgGetFlag = WM_APP + 2;
// How many steps the scrolling line has moved.
inline constexpr UINT kMsgGetTick = WM_APP + 3;

void RegisterHostedControls(HINSTANCE module);  // both of them
void RegisterButtonClass(HINSTANCE module);
void RegisterMovingTextClass(HINSTANCE module);

// `style` adds WS_TABSTOP and the like; the settings are copied.
HWND CreateButtonWindow(HWND parent, int id, const RECT& bounds, DWORD style,
                        const ButtonSettings& settings, HINSTANCE module, int dpi);
HWND CreateMovingTextWindow(HWND parent, int id, const RECT& bounds, DWORD style,
                            const MovingTextSettings& settings, HINSTANCE module, int dpi);

}  // namespace tivrel::win32
