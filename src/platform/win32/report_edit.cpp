// The report box's edit subclass: its mouse-down handler and the menu key,
// which the core answers with the report's own menu.

#include "platform/win32/form_window.h"
// Needs the Windows headers above.
#include <windowsx.h>

#include <optional>

#include "platform/win32/common_controls.h"
#include "platform/win32/form_parts.h"

namespace tivrel::win32 {

using namespace form_parts;

namespace {
std::optional<POINT> g_menuKeyPoint;
}  // namespace

std::optional<POINT> MenuKeyPoint() { return g_menuKeyPoint; }

LRESULT CALLBACK FormWindow::EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR /*subclassId*/, DWORD_PTR refData) {
  auto* self = reinterpret_cast<FormWindow*>(refData);
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      self->OnEditMouseDown(hwnd, msg, wParam, lParam);
      // The handler may have closed the window (and this box with it).
      if (!IsWindow(hwnd)) return 0;
      return Comctl32().defSubclassProc(hwnd, msg, wParam, lParam);
    case WM_CONTEXTMENU: {
      // A box whose design has no toolkit menu: the handlers' is the only one.
      // Shift+F10 and the menu key (no position) do what a right-click does,
      // with the menu at the caret.
      const Slot* s = self->SlotOf(hwnd);
      if (s && !s->design->toolkitMenu) {
        if (lParam == -1) self->OnEditMenuKey(hwnd);
        return 0;
      }
      return Comctl32().defSubclassProc(hwnd, msg, wParam, lParam);
    }
    case WM_NCDESTROY:
      Comctl32().removeWindowSubclass(hwnd, EditProc, kEditSubclassId);
      return Comctl32().defSubclassProc(hwnd, msg, wParam, lParam);
    default:
      return Comctl32().defSubclassProc(hwnd, msg, wParam, lParam);
  }
}

void FormWindow::OnEditMouseDown(HWND edit, UINT msg, WPARAM wParam, LPARAM lParam) {
  const Slot* s = SlotOf(edit);
  if (!s) return;
  const int16_t button = msg == WM_LBUTTONDOWN ? 1 : msg == WM_RBUTTONDOWN ? 2 : 4;
  int16_t shift = 0;
  if (wParam & MK_SHIFT) shift |= 1;
  if (wParam & MK_CONTROL) shift |= 2;
  if (GetKeyState(VK_MENU) < 0) shift |= 4;
  const float twipsPerPixel = static_cast<float>(kTwipsPerInch) / static_cast<float>(site_.dpi);
  const float x = static_cast<float>(GET_X_LPARAM(lParam)) * twipsPerPixel;
  const float y = static_cast<float>(GET_Y_LPARAM(lParam)) * twipsPerPixel;
  sink_.OnMouseDown(design_.id, ControlRef{s->design->name, s->design->index}, button, shift, x, y);
}

void FormWindow::OnEditMenuKey(HWND edit) {
  DWORD start = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  const LRESULT at = SendMessageW(edit, EM_POSFROMCHAR, start, 0);
  POINT caret{0, 0};
  if (at != -1) caret = POINT{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
  // The menu goes below the caret's line, as a right-click's goes below the
  // pointer.
  POINT screen{caret.x, caret.y};
  if (HDC dc = GetDC(edit)) {
    const HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0)));
    TEXTMETRICW tm{};
    if (GetTextMetricsW(dc, &tm)) screen.y += tm.tmHeight;
    SelectObject(dc, old);
    ReleaseDC(edit, dc);
  }
  ClientToScreen(edit, &screen);
  WPARAM keys = 0;
  if (GetKeyState(VK_SHIFT) < 0) keys |= MK_SHIFT;
  if (GetKeyState(VK_CONTROL) < 0) keys |= MK_CONTROL;
  // The handler may close this window: nothing of it is touched afterwards.
  g_menuKeyPoint = screen;
  struct Reset {
    ~Reset() { g_menuKeyPoint.reset(); }
  } reset;
  OnEditMouseDown(edit, WM_RBUTTONDOWN, keys, MAKELPARAM(caret.x, caret.y));
}

}  // namespace tivrel::win32
