// The bitmap push button (window class TivrelButton).
#include <algorithm>
#include <string>

#include "controls/hosted.h"
#include "platform/win32/hosted_controls.h"
#include "platform/win32/hosted_window.h"
#include "platform/win32/win32_util.h"

namespace tivrel::win32 {

using namespace hosted;

namespace {

class Button {
 public:
  Button(HWND hwnd, const CreateParams& p)
      : hwnd_(hwnd), settings_(*static_cast<const ButtonSettings*>(p.settings)) {
    font_.reset(CreateDesignFont(settings_.font, p.dpi));
    face_.reset(LoadBitmapImage(p.module, settings_.picture));
    icon_.reset(LoadIconImage(p.module, settings_.icon, 16));
  }

  template <typename Control>
  friend LRESULT CALLBACK hosted::ControlProc(HWND, UINT, WPARAM, LPARAM);

 private:
  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
      case WM_PAINT:
        Paint();
        return 0;
      case WM_ERASEBKGND:
        return 1;
      case WM_GETDLGCODE:
        return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
      case WM_SETFOCUS:
        OnSetFocus();
        return 0;
      case WM_KILLFOCUS:
      case WM_CANCELMODE:
        if (msg == WM_KILLFOCUS) focused_ = false;
        spaceDown_ = false;
        CancelTracking();
        Redraw();
        return 0;
      case WM_ENABLE:
        if (!wParam) CancelTracking();
        Redraw();
        return 0;
      case WM_LBUTTONDOWN:
        OnButtonDown();
        return 0;
      case WM_MOUSEMOVE:
        OnMouseMove(lParam);
        return 0;
      case WM_MOUSELEAVE:
        hot_ = leaveArmed_ = false;
        Redraw();
        return 0;
      case WM_LBUTTONUP:
        OnButtonUp();  // may destroy this window: nothing follows
        return 0;
      case WM_CAPTURECHANGED:
        // Another window took the mouse: the press is over.
        if (tracking_ && reinterpret_cast<HWND>(lParam) != hwnd_) {
          tracking_ = false;
          Redraw();
        }
        return 0;
      case WM_KEYDOWN:
        OnKeyDown(wParam, lParam);
        return 0;
      case WM_KEYUP:
        OnKeyUp(wParam);  // may destroy this window: nothing follows
        return 0;
      case kMsgSetFlag:
        flag_ = wParam != 0;
        Redraw();
        return 0;
      case kMsgGetFlag:
        return flag_ ? 1 : 0;
      default:
        return DefWindowProcW(hwnd_, msg, wParam, lParam);
    }
  }

  void Redraw() { InvalidateRect(hwnd_, nullptr, FALSE); }

  void OnSetFocus() {
    focused_ = true;
    Redraw();
    Notify(hwnd_, kNotifySetFocus);
  }

  // Space presses on its release, Enter at once; neither while the mouse has it.
  void OnKeyDown(WPARAM key, LPARAM lParam) {
    if (IsAutoRepeat(lParam) || tracking_ || !IsWindowEnabled(hwnd_)) return;
    if (key == VK_SPACE) {
      spaceDown_ = true;
      Redraw();
    } else if (key == VK_RETURN) {
      Notify(hwnd_, kNotifyClick);
    }
  }

  void OnKeyUp(WPARAM key) {
    if (key != VK_SPACE || !spaceDown_) return;
    spaceDown_ = false;
    Redraw();
    Notify(hwnd_, kNotifyClick);
  }

  bool Inside(LPARAM lParam) const {
    RECT rc;
    GetClientRect(hwnd_, &rc);
    const POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    return PtInRect(&rc, pt) != FALSE;
  }

  void OnButtonDown() {
    const HWND self = hwnd_;
    if (!IsWindowEnabled(self)) return;
    if (GetFocus() != self) {
      SetFocus(self);
      if (!IsWindow(self)) return;  // gone with its window: nothing of it is left
    }
    tracking_ = true;
    inside_ = true;
    SetCapture(hwnd_);
    Redraw();
  }

  void OnMouseMove(LPARAM lParam) {
    const bool inside = Inside(lParam);
    if (!leaveArmed_) {
      TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd_, 0};
      leaveArmed_ = TrackMouseEvent(&tme) != FALSE;
    }
    if (tracking_ && inside != inside_) {
      inside_ = inside;
      Redraw();
    }
    if (inside != hot_) {
      hot_ = inside;
      Redraw();
    }
  }

  void OnButtonUp() {
    if (!tracking_) return;
    const bool fire = inside_;
    tracking_ = false;
    ReleaseCapture();
    Redraw();
    // One click per press, and only when the press ends on the button.
    if (fire) Notify(hwnd_, kNotifyClick);
  }

  void CancelTracking() {
    if (!tracking_) return;
    tracking_ = false;
    if (GetCapture() == hwnd_) ReleaseCapture();
  }

  bool Pressed() const { return (tracking_ && inside_) || spaceDown_; }

  ButtonLook Look() const {
    if (!IsWindowEnabled(hwnd_)) return ButtonLook::Disabled;
    if (Pressed()) return ButtonLook::Pressed;
    if (hot_) return ButtonLook::Hot;
    if (focused_) return ButtonLook::Focused;
    return ButtonLook::Normal;
  }

  void Paint() {
    BufferedPaint paint(hwnd_);
    const HDC dc = paint.dc();
    const RECT& rc = paint.rect();
    const ButtonLook look = Look();
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    PaintFace(dc, rc, look);
    PaintCaption(dc, rc, look);
    if (focused_) PaintFocus(dc, rc);
  }

  // The picture of the look (or the one picture, with edges for the looks).
  void PaintFace(HDC dc, const RECT& rc, ButtonLook look) const {
    const bool pressed = look == ButtonLook::Pressed;
    const FrameRect frame = ButtonFaceFrame(settings_, look);
    const bool strip = settings_.pictureFrames > 1;  // the picture holds every look
    if (face_ && frame.width > 0 && frame.height > 0) {
      HDC src = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(src, face_.get());
      const int shift = (pressed && !strip) ? 1 : 0;
      // gdi32's own: msimg32, which forwards to it, is no known DLL and
      // would be looked for beside the program first.
      GdiTransparentBlt(dc, rc.left + shift, rc.top + shift, rc.right - rc.left, rc.bottom - rc.top,
                        src, frame.x, frame.y, frame.width, frame.height,
                        static_cast<UINT>(settings_.picmaskcolor & 0xFFFFFFu));
      SelectObject(src, old);
      DeleteDC(src);
    } else {
      RECT edge = rc;
      DrawFrameControl(dc, &edge, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
    }
    if (!strip) {
      // A single stretched face has no looks of its own: edges give them.
      RECT edge = rc;
      if (pressed) {
        DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
      } else if (look == ButtonLook::Hot) {
        DrawEdge(dc, &edge, BDR_RAISEDINNER, BF_RECT);
      }
    }
    if (flag_) {
      RECT outer = rc;
      ::FrameRect(dc, &outer, GetSysColorBrush(COLOR_WINDOWFRAME));
    }
  }

  // Icon left of the caption, the pair centred.
  void PaintCaption(HDC dc, const RECT& rc, ButtonLook look) const {
    const bool pressed = look == ButtonLook::Pressed;
    const bool enabled = look != ButtonLook::Disabled;
    HGDIOBJ oldFont = SelectObject(dc, font_.get());
    const std::wstring caption = Wide(settings_.caption);
    RECT measure{0, 0, 0, 0};
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &measure,
              DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
    const int iconSize = icon_ ? 16 : 0;
    const int gap = (icon_ && !caption.empty()) ? 4 : 0;
    const int total = iconSize + gap + (measure.right - measure.left);
    const int offset = pressed ? 1 : 0;
    int x = rc.left + ((rc.right - rc.left) - total) / 2 + offset;
    const int midY = rc.top + (rc.bottom - rc.top) / 2 + offset;
    if (icon_) {
      if (enabled) {
        DrawIconEx(dc, x, midY - 8, icon_.get(), 16, 16, 0, nullptr, DI_NORMAL);
      } else {
        DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon_.get()), 0, x, midY - 8, 16,
                   16, DST_ICON | DSS_DISABLED);
      }
      x += iconSize + gap;
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    RECT text{x, rc.top + offset, x + (measure.right - measure.left) + 1, rc.bottom + offset};
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
              DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER | DT_LEFT);
    SelectObject(dc, oldFont);
  }

  void PaintFocus(HDC dc, const RECT& rc) const {
    RECT cue = rc;
    InflateRect(&cue, -3, -3);
    if (settings_.showfocus.value_or(true)) {
      DrawFocusRect(dc, &cue);
    } else {
      // No dotted rectangle, but the keyboard user still sees where they are.
      InflateRect(&cue, 1, 1);
      ::FrameRect(dc, &cue, GetSysColorBrush(COLOR_BTNSHADOW));
    }
  }

  HWND hwnd_;
  ButtonSettings settings_;
  Gdi<HFONT> font_;
  Gdi<HBITMAP> face_;
  Icon icon_;
  bool tracking_ = false;  // the left button went down here and is still down
  bool inside_ = false;    // ... and the pointer is over the button
  bool spaceDown_ = false;
  bool hot_ = false;
  bool leaveArmed_ = false;
  bool focused_ = false;
  bool flag_ = kButtonFlagDefault;
};

}  // namespace

void RegisterButtonClass(HINSTANCE module) {
  RegisterControlClass(module, kButtonClass, ControlProc<Button>);
}

HWND CreateButtonWindow(HWND parent, int id, const RECT& bounds, DWORD style,
                        const ButtonSettings& settings, HINSTANCE module, int dpi) {
  // The caption is also the window text, so that screen readers name the button.
  return Create(kButtonClass, Wide(settings.caption), parent, id, bounds, style, &settings, module,
                dpi);
}

}  // namespace tivrel::win32
