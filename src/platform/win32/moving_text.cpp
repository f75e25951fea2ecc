// The scrolling line (window class TivrelMovingText).
#include <algorithm>
#include <string>

#include "controls/hosted.h"
#include "platform/win32/hosted_controls.h"
#include "platform/win32/hosted_window.h"
#include "platform/win32/win32_util.h"

namespace tivrel::win32 {

using namespace hosted;

namespace {

class MovingText {
 public:
  MovingText(HWND hwnd, const CreateParams& p)
      : hwnd_(hwnd), settings_(*static_cast<const MovingTextSettings*>(p.settings)) {
    font_.reset(CreateDesignFont(settings_.font, p.dpi));
    text_ = Wide(settings_.msgchar);
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(dc, font_.get());
    SIZE size{};
    GetTextExtentPoint32W(dc, text_.c_str(), static_cast<int>(text_.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    textWidth_ = size.cx;
  }

  template <typename Control>
  friend LRESULT CALLBACK hosted::ControlProc(HWND, UINT, WPARAM, LPARAM);

 private:
  static constexpr UINT_PTR kTimer = 1;

  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
      case WM_CREATE:
        SetTimer(hwnd_, kTimer, kMovingTextIntervalMs, nullptr);
        return 0;
      case WM_DESTROY:
        KillTimer(hwnd_, kTimer);
        return 0;
      case WM_TIMER:
        if (wParam == kTimer) {
          ++tick_;
          InvalidateRect(hwnd_, nullptr, FALSE);
        }
        return 0;
      case WM_ERASEBKGND:
        return 1;
      case WM_PAINT:
        Paint();
        return 0;
      case WM_LBUTTONDOWN:
        // A click on the line gives it the focus (and so raises its event).
        if (GetFocus() != hwnd_) SetFocus(hwnd_);
        return 0;
      case WM_SETFOCUS:
        focused_ = true;
        InvalidateRect(hwnd_, nullptr, FALSE);
        Notify(hwnd_, kNotifySetFocus);  // may destroy this window: nothing follows
        return 0;
      case WM_KILLFOCUS:
        focused_ = false;
        InvalidateRect(hwnd_, nullptr, FALSE);
        return 0;
      case kMsgGetTick:
        return static_cast<LRESULT>(tick_);
      default:
        return DefWindowProcW(hwnd_, msg, wParam, lParam);
    }
  }

  void Paint() {
    BufferedPaint paint(hwnd_);
    const HDC dc = paint.dc();
    const RECT& rc = paint.rect();
    Gdi<HBRUSH> back(CreateSolidBrush(ResolveColour(settings_.backcolor)));
    FillRect(dc, &rc, back.get());
    HGDIOBJ old = SelectObject(dc, font_.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ResolveColour(settings_.charcolor));
    const int width = rc.right - rc.left;
    RECT line = rc;
    line.left = MovingTextOffset(tick_, width, textWidth_);
    line.right = line.left + textWidth_ + 1;
    DrawTextW(dc, text_.c_str(), static_cast<int>(text_.size()), &line,
              DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER | DT_LEFT | DT_NOCLIP);
    SelectObject(dc, old);
    if (focused_) DrawFocusRect(dc, &rc);
  }

  HWND hwnd_;
  MovingTextSettings settings_;
  Gdi<HFONT> font_;
  std::wstring text_;
  int textWidth_ = 0;
  long long tick_ = 0;
  bool focused_ = false;
};

}  // namespace

void RegisterMovingTextClass(HINSTANCE module) {
  RegisterControlClass(module, kMovingTextClass, ControlProc<MovingText>);
}

HWND CreateMovingTextWindow(HWND parent, int id, const RECT& bounds, DWORD style,
                            const MovingTextSettings& settings, HINSTANCE module, int dpi) {
  return Create(kMovingTextClass, Wide(settings.msgchar), parent, id, bounds, style, &settings,
                module, dpi);
}

}  // namespace tivrel::win32
