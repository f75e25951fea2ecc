// The window procedure. Whatever reaches the App may unload this window: such
// calls come last, and nothing of the object is touched after them.

#include "platform/win32/form_window.h"
// Needs the Windows headers above.
#include <windowsx.h>

#include "platform/win32/hosted_controls.h"

namespace tivrel::win32 {

LRESULT CALLBACK FormWindow::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
  return self->Handle(msg, wParam, lParam);
}

LRESULT FormWindow::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      return OnCommand(wParam, lParam);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
      return OnColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_ACTIVATE:
      OnActivate(wParam);
      return 0;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      // The common controls take their colours from the window they sit in.
      if (toolTip_) SendMessageW(toolTip_, msg, wParam, lParam);
      RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
      return DefWindowProcW(hwnd_, msg, wParam, lParam);
    case WM_SYSCOMMAND:
      // A window its design keeps open, whatever the window menu still holds.
      if ((wParam & 0xFFF0) == SC_CLOSE && !design_.userCanClose) return 0;
      return DefWindowProcW(hwnd_, msg, wParam, lParam);
    case WM_CLOSE:
      OnClose();
      return 0;
    default:
      return DefWindowProcW(hwnd_, msg, wParam, lParam);
  }
}

LRESULT FormWindow::OnCommand(WPARAM wParam, LPARAM lParam) {
  const FormId form = design_.id;
  const HWND child = reinterpret_cast<HWND>(lParam);
  const WORD code = HIWORD(wParam);
  if (!child) {
    if (code != 0) return 0;  // accelerators: there are none
    const std::string item = MenuItemName(LOWORD(wParam));
    if (!item.empty()) sink_.OnMenuClick(form, item);
    return 0;
  }
  Slot* s = SlotOf(child);
  if (!s) return 0;
  const ControlDesign& c = *s->design;  // the design outlives the window
  switch (c.kind) {
    case ControlKind::HostedButton:
      if (code == kNotifySetFocus) activeControl_ = child;
      if (code == kNotifyClick) sink_.OnClick(form, ControlRef{c.name, c.index});
      return 0;
    case ControlKind::MovingText:
      // The focus coming back with the window's activation is no arrival.
      if (code != kNotifySetFocus || activeControl_ == child) return 0;
      activeControl_ = child;
      sink_.OnGotFocus(form, ControlRef{c.name, c.index});
      return 0;
    case ControlKind::TextBox:
      if (code == EN_SETFOCUS) activeControl_ = child;
      return 0;
    default:
      return 0;
  }
}

LRESULT FormWindow::OnColour(HDC dc, HWND child) {
  const Slot* s = SlotOf(child);
  if (!s)
    return DefWindowProcW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(child));
  // Labels and pictures stand on the window's face; text boxes have their own.
  const Colour back = s->design->kind == ControlKind::TextBox ? s->back : kButtonFace;
  SetTextColor(dc, ResolveColour(s->fore));
  SetBkColor(dc, ResolveColour(back));
  const HBRUSH brush =
      IsSystemColour(back) ? GetSysColorBrush(SystemColourIndex(back)) : s->backBrush.get();
  return reinterpret_cast<LRESULT>(brush);
}

void FormWindow::OnActivate(WPARAM wParam) {
  if (LOWORD(wParam) == WA_INACTIVE) {
    const HWND focus = GetFocus();
    if (focus && IsChild(hwnd_, focus)) activeControl_ = focus;
    return;
  }
  if (HIWORD(wParam)) return;  // minimised
  const HWND back = activeControl_;
  if (back && IsWindow(back) && IsWindowEnabled(back) && IsWindowVisible(back)) {
    ::SetFocus(back);
  } else {
    FocusFirst();
  }
}

void FormWindow::OnPaint() {
  PAINTSTRUCT ps;
  const HDC dc = BeginPaint(hwnd_, &ps);
  // The first line of the design lies on top: drawn last.
  for (auto it = slots_.rbegin(); it != slots_.rend(); ++it) {
    if (it->design->kind == ControlKind::Line) PaintLine(dc, *it->design);
  }
  EndPaint(hwnd_, &ps);
}

void FormWindow::PaintLine(HDC dc, const ControlDesign& c) const {
  const int dpi = site_.dpi;
  const COLORREF colour = ResolveColour(c.foreColorSet ? c.foreColor : 0x80000012u);
  const int w = std::max(1, c.lineWidth);  // line widths are in pixels
  const int x1 = TwipsToPixels(c.left, dpi), y1 = TwipsToPixels(c.top, dpi);
  const int x2 = TwipsToPixels(c.width, dpi), y2 = TwipsToPixels(c.height, dpi);
  if (y1 == y2 || x1 == x2) {
    RECT r = y1 == y2 ? RECT{std::min(x1, x2), y1, std::max(x1, x2), y1 + w}
                      : RECT{x1, std::min(y1, y2), x1 + w, std::max(y1, y2)};
    Gdi<HBRUSH> brush(CreateSolidBrush(colour));
    FillRect(dc, &r, brush.get());
  } else {
    Gdi<HPEN> pen(CreatePen(PS_SOLID, w, colour));
    HGDIOBJ old = SelectObject(dc, pen.get());
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
    SelectObject(dc, old);
  }
}

void FormWindow::OnClose() {
  // The core decides what closing means; it destroys the window itself.
  if (design_.userCanClose) sink_.OnUserClose(design_.id);
}

}  // namespace tivrel::win32
