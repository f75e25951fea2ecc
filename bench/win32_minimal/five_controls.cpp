// The yardstick for Tivrel.exe's first picture: its main window made by plain
// Win32 calls. The same caption, menu bar, client size and place, and the
// same five controls with the same texts at the same places: the read-only
// report box, the three push buttons and the contact line (a plain label
// here, standing still), in 宋体 9 points under the program's manifest
// (common controls 6). Shown the usual way: ShowWindow, then UpdateWindow.
#include <windows.h>

#include <string>

#include "app/author.h"

namespace {

int g_dpi = 96;

int Px(int twips) { return MulDiv(twips, g_dpi, 1440); }

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HMENU MenuBar() {
  HMENU size = CreatePopupMenu();
  AppendMenuW(size, MF_STRING, 1, L"大");
  AppendMenuW(size, MF_STRING, 2, L"中");
  AppendMenuW(size, MF_STRING, 3, L"小(默认)");
  HMENU edit = CreatePopupMenu();
  AppendMenuW(edit, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(size), L"文本字号");
  HMENU about = CreatePopupMenu();
  AppendMenuW(about, MF_STRING, 4, L"关于岚铃");
  AppendMenuW(about, MF_STRING, 5, L"查看ReadeMe");
  HMENU bar = CreateMenu();
  AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(edit), L"编辑");
  AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(about), L"关于");
  return bar;
}

HWND Child(HWND parent, const wchar_t* cls, DWORD exStyle, DWORD style, const wchar_t* text,
           int left, int top, int width, int height, HFONT font) {
  HWND child =
      CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, Px(left), Px(top),
                      Px(width), Px(height), parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  HDC screen = GetDC(nullptr);
  g_dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);

  WNDCLASSW wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"TivrelFiveControls";
  if (!RegisterClassW(&wc)) return 1;

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  RECT frame{0, 0, Px(4680), Px(5340)};
  AdjustWindowRectEx(&frame, style, TRUE, 0);
  HWND window =
      CreateWindowExW(0, wc.lpszClassName, L"岚铃声卡测试仪 Build0730修正版", style,
                      Px(5025) + frame.left, Px(3315) + frame.top, frame.right - frame.left,
                      frame.bottom - frame.top, nullptr, MenuBar(), instance, nullptr);
  if (window == nullptr) return 1;

  HFONT font = CreateFontW(-MulDiv(9, g_dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           GB2312_CHARSET, 0, 0, 0, 0, L"宋体");
  const DWORD tab = WS_TABSTOP;
  Child(window, L"EDIT", WS_EX_CLIENTEDGE,
        tab | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY, L"", 240, 240, 4185, 4005,
        font);
  HWND test =
      Child(window, L"BUTTON", 0, tab | BS_PUSHBUTTON, L"开始测试", 240, 4440, 1335, 495, font);
  Child(window, L"BUTTON", 0, tab | BS_PUSHBUTTON, L"关于", 1680, 4440, 1335, 495, font);
  Child(window, L"BUTTON", 0, tab | BS_PUSHBUTTON, L"  退出", 3120, 4440, 1335, 495, font);
  const std::wstring contact =
      L"点此来信：" + std::wstring(tivrel::kAuthorEmail.begin(), tivrel::kAuthorEmail.end());
  Child(window, L"STATIC", 0, SS_LEFT | SS_NOPREFIX, contact.c_str(), 240, 5040, 4095, 255, font);

  ShowWindow(window, show);
  SetFocus(test);
  UpdateWindow(window);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
