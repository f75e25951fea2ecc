#include "platform/win32/hosted_window.h"

#include "platform/win32/win32_util.h"

namespace tivrel::win32::hosted {

void Notify(HWND self, WORD code) {
  const HWND parent = GetParent(self);
  const int id = GetDlgCtrlID(self);
  // The parent may destroy this window while it handles the notification:
  // callers touch nothing of theirs afterwards.
  SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(self));
}

void RegisterControlClass(HINSTANCE module, const wchar_t* name, WNDPROC proc) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.hInstance = module;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.lpfnWndProc = proc;
  wc.lpszClassName = name;
  // No CS_DBLCLKS: a quick second press is a second press, not a double click.
  wc.style = CS_HREDRAW | CS_VREDRAW;
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    ThrowWin32("RegisterClassExW");
  }
}

HWND Create(const wchar_t* cls, const std::wstring& text, HWND parent, int id, const RECT& b,
            DWORD style, const void* settings, HINSTANCE module, int dpi) {
  CreateParams params{settings, module, dpi};
  HWND hwnd = CreateWindowExW(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, b.left, b.top,
                              b.right - b.left, b.bottom - b.top, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), module, &params);
  if (!hwnd) ThrowWin32("CreateWindowExW");
  return hwnd;
}

}  // namespace tivrel::win32::hosted
