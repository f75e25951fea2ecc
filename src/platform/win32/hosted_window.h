// What the two hosted controls share: how a control object lives with its
// window, notifications to the parent, double-buffered painting.
#pragma once

#include <algorithm>
#include <string>

#include "platform/win32/win32.h"

namespace tivrel::win32::hosted {

struct CreateParams {
  const void* settings;
  HINSTANCE module;
  int dpi;
};

void Notify(HWND self, WORD code);

// Double buffering: every paint goes through one memory bitmap.
class BufferedPaint {
 public:
  explicit BufferedPaint(HWND hwnd) : hwnd_(hwnd) {
    target_ = BeginPaint(hwnd, &ps_);
    GetClientRect(hwnd, &rect_);
    dc_ = CreateCompatibleDC(target_);
    bitmap_ = CreateCompatibleBitmap(target_, std::max<LONG>(rect_.right, 1),
                                     std::max<LONG>(rect_.bottom, 1));
    old_ = SelectObject(dc_, bitmap_);
  }
  ~BufferedPaint() {
    BitBlt(target_, 0, 0, rect_.right, rect_.bottom, dc_, 0, 0, SRCCOPY);
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
    EndPaint(hwnd_, &ps_);
  }
  BufferedPaint(const BufferedPaint&) = delete;
  BufferedPaint& operator=(const BufferedPaint&) = delete;
  HDC dc() const { return dc_; }
  const RECT& rect() const { return rect_; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
  HDC target_ = nullptr;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  RECT rect_{};
};

inline bool IsAutoRepeat(LPARAM lParam) { return (lParam & (1 << 30)) != 0; }

// Binds a control object to its window at WM_NCCREATE and frees it with the
// window; both control classes are built and torn down this way.
template <typename Control>
LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    const auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    // No exception may cross the window system: a control that cannot be
    // built fails its CreateWindowExW, and the caller throws.
    try {
      auto* self = new Control(hwnd, *static_cast<const CreateParams*>(cs->lpCreateParams));
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } catch (...) {
      return FALSE;
    }
  }
  auto* self = reinterpret_cast<Control*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    delete self;
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  return self->Handle(msg, wParam, lParam);
}

// Registers a control class whose objects ControlProc<Control> keeps.
void RegisterControlClass(HINSTANCE module, const wchar_t* name, WNDPROC proc);

HWND Create(const wchar_t* cls, const std::wstring& text, HWND parent, int id, const RECT& b,
            DWORD style, const void* settings, HINSTANCE module, int dpi);

}  // namespace tivrel::win32::hosted
