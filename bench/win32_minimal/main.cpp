// The smallest useful Win32 GUI program: one top-level window and its
// message loop. The yardstick for Tivrel.exe's start-up time and memory.
// Built a second time with TIVREL_MINIMAL_REPORT_BOX: the same window with
// what Tivrel's report box alone brings, a multi-line edit box of common
// controls 6 (the program's manifest) in a Chinese face, to tell that cost
// apart from the program's own.
#include <windows.h>

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"TivrelMinimal";
  if (!RegisterClassW(&wc)) return 1;
  // The outer size of Tivrel's main window at 96 dots per inch.
  HWND window = CreateWindowExW(0, wc.lpszClassName, L"win32_minimal",
                                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                                CW_USEDEFAULT, 318, 400, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
#ifdef TIVREL_MINIMAL_REPORT_BOX
  HWND box = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                             WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 8, 8,
                             280, 260, window, nullptr, instance, nullptr);
  HFONT face = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, 0, 0, 0, 0,
                           L"\u5b8b\u4f53");
  SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(face), FALSE);
#endif
  ShowWindow(window, show);
  UpdateWindow(window);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
