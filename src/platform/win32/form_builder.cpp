// Building a window from its design: the frame, the controls (one function a
// kind; the Qt window builds them alike), the menus and the tooltips.

#include "platform/win32/form_window.h"
// Needs the Windows headers above.
#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "framework/error.h"
#include "framework/faces.h"
#include "platform/win32/common_controls.h"
#include "platform/win32/form_parts.h"
#include "platform/win32/hosted_controls.h"

namespace tivrel::win32 {

using namespace form_parts;

namespace {

// What the core's choice of faces measures, by GDI at the screen's DPI.
class GdiTextMeasure : public TextMeasure {
 public:
  explicit GdiTextMeasure(int dpi) : dpi_(dpi) {}
  bool Installed(std::u16string_view face) override { return FaceInstalled(Wide(face)); }
  TextExtent Measure(const FontDesign& font, std::u16string_view text) override {
    return MeasureLine(font, dpi_, Wide(text));
  }
  TextRoom Room(const ControlDesign& c) override {
    const int width = TwipsToPixels(c.width, dpi_), height = TwipsToPixels(c.height, dpi_);
    switch (c.kind) {
      case ControlKind::TextBox:
        return TextRoom{width - 2 * GetSystemMetrics(SM_CXEDGE) -
                            (c.verticalScrollBar ? GetSystemMetrics(SM_CXVSCROLL) : 0),
                        0, true};
      case ControlKind::Label:
        return TextRoom{width, height};
      default:
        return TextRoom{};  // a hosted control lays out its own text
    }
  }

 private:
  int dpi_;
};

bool TakesFocus(ControlKind kind) {
  return kind == ControlKind::TextBox || kind == ControlKind::HostedButton ||
         kind == ControlKind::MovingText;
}

DWORD TabStyle(const ControlDesign& c) { return c.tabStop && TakesFocus(c.kind) ? WS_TABSTOP : 0; }

}  // namespace

RECT FormWindow::PixelRect(const ControlDesign& c) const {
  const int dpi = site_.dpi;
  const int left = TwipsToPixels(c.left, dpi);
  const int top = TwipsToPixels(c.top, dpi);
  return RECT{left, top, left + TwipsToPixels(c.width, dpi), top + TwipsToPixels(c.height, dpi)};
}

void FormWindow::CreateWindowFromDesign() {
  const int dpi = site_.dpi;
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  if (design_.maxButton) style |= WS_MAXIMIZEBOX;
  if (design_.minButton) style |= WS_MINIMIZEBOX;
  DWORD exStyle = WS_EX_CONTROLPARENT;
  if (design_.border == BorderStyle::FixedDialog) exStyle |= WS_EX_DLGMODALFRAME;
  // An owned window has no taskbar button; an unowned one asks for one.
  const HWND owner = design_.showInTaskbar ? nullptr : site_.owner;
  if (!owner) exStyle |= WS_EX_APPWINDOW;

  const int clientW = TwipsToPixels(design_.clientWidth, dpi);
  const int clientH = TwipsToPixels(design_.clientHeight, dpi);
  RECT frame{0, 0, clientW, clientH};
  AdjustWindowRectEx(&frame, style, menuBar_ != nullptr, exStyle);
  int x = TwipsToPixels(design_.left, dpi) + frame.left;
  int y = TwipsToPixels(design_.top, dpi) + frame.top;
  // The whole window stays in the work area of the monitor it would open on.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoW(MonitorFromPoint(POINT{x, y}, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
    const RECT& work = monitor.rcWork;
    const ScreenRect kept =
        KeepInside({x, y, frame.right - frame.left, frame.bottom - frame.top},
                   {work.left, work.top, work.right - work.left, work.bottom - work.top});
    x = kept.left;
    y = kept.top;
  }

  const std::wstring caption = Wide(design_.caption);
  HWND hwnd =
      CreateWindowExW(exStyle, kFormClass, caption.c_str(), style, x, y, frame.right - frame.left,
                      frame.bottom - frame.top, owner, menuBar_, site_.module, this);
  if (!hwnd) ThrowWin32("CreateWindowExW");
  hwnd_ = hwnd;

  // The menu bar may take another height than the metrics promised: the
  // client area is what the design fixes.
  RECT client;
  GetClientRect(hwnd_, &client);
  const int dw = clientW - client.right, dh = clientH - client.bottom;
  if (dw != 0 || dh != 0) {
    RECT outer;
    GetWindowRect(hwnd_, &outer);
    SetWindowPos(hwnd_, nullptr, 0, 0, outer.right - outer.left + dw, outer.bottom - outer.top + dh,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  bigIcon_.reset(LoadIconImage(site_.module, design_.icon, GetSystemMetrics(SM_CXICON)));
  smallIcon_.reset(LoadIconImage(site_.module, design_.icon, GetSystemMetrics(SM_CXSMICON)));
  if (bigIcon_) SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
  if (smallIcon_) {
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
  }
}

// ---------------------------------------------------------------------------
// Controls, one function a kind; the Qt window builds them alike.

void FormWindow::CreateControls() {
  font_.reset(CreateDesignFont(design_.font.value_or(FontDesign{}), site_.dpi));
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  // Windows are created in tab order, so that their Z order (what screen
  // readers and the dialog manager walk) is the tab order too.
  std::vector<Slot*> order;
  for (auto& s : slots_) order.push_back(&s);
  std::stable_sort(order.begin(), order.end(), [](const Slot* a, const Slot* b) {
    return a->design->tabIndex < b->design->tabIndex;
  });
  GdiTextMeasure measure(site_.dpi);
  const std::vector<FontDesign> fonts = ChooseFonts(design_, measure);
  for (Slot* s : order) {
    s->font = fonts[static_cast<size_t>(s->design - design_.controls.data())];
    CreateControl(*s);
  }
  SetTabOrder();
}

void FormWindow::CreateControl(Slot& s) {
  switch (s.design->kind) {
    case ControlKind::TextBox:
      return CreateTextBox(s);
    case ControlKind::Label:
      return CreateLabel(s);
    case ControlKind::Line:
      return;  // painted by the window: PaintLine
    case ControlKind::PictureBox:
      return CreatePictureBox(s);
    case ControlKind::HostedButton:
      return CreateHostedButton(s);
    case ControlKind::MovingText:
      return CreateMovingText(s);
  }
}

void FormWindow::CreateChild(Slot& s, const wchar_t* windowClass, DWORD exStyle, DWORD style,
                             const std::wstring& text) {
  const RECT r = PixelRect(*s.design);
  s.hwnd = CreateWindowExW(
      exStyle, windowClass, text.empty() ? nullptr : text.c_str(), WS_CHILD | WS_VISIBLE | style,
      r.left, r.top, r.right - r.left, r.bottom - r.top, hwnd_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(s.id)), site_.module, nullptr);
  if (!s.hwnd) ThrowWin32("CreateWindowExW");
}

void FormWindow::SetControlFont(Slot& s) {
  s.ownFont.reset(CreateDesignFont(s.font, site_.dpi));
  SendMessageW(s.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(s.ownFont.get()), FALSE);
}

void FormWindow::CreateTextBox(Slot& s) {
  const ControlDesign& c = *s.design;
  DWORD style = TabStyle(c) | ES_LEFT;
  style |= c.multiLine ? (ES_MULTILINE | ES_AUTOVSCROLL) : ES_AUTOHSCROLL;
  if (c.verticalScrollBar) style |= WS_VSCROLL;
  if (c.locked) style |= ES_READONLY;
  CreateChild(s, L"EDIT", WS_EX_CLIENTEDGE, style, Wide(c.text));
  SetControlFont(s);
  SetEditRect(s.hwnd);
  s.fore = c.foreColorSet ? c.foreColor : 0x80000008u;  // window text
  s.back = c.backColor;
  if (!IsSystemColour(s.back)) s.backBrush.reset(CreateSolidBrush(ResolveColour(s.back)));
  Comctl32().setWindowSubclass(s.hwnd, EditProc, kEditSubclassId,
                               reinterpret_cast<DWORD_PTR>(this));
}

void FormWindow::CreateLabel(Slot& s) {
  const ControlDesign& c = *s.design;
  const std::wstring text = Wide(c.text);
  DWORD style = SS_LEFT | SS_NOPREFIX;
  if (!c.toolTip.empty()) style |= SS_NOTIFY;  // statics see the mouse only so
  // A one-line label centres its line: a fallback face's line may be taller
  // than the label the design made for 宋体.
  const RECT box = PixelRect(c);
  if (box.bottom - box.top < 2 * MeasureLine(s.font, site_.dpi, text).lineHeight) {
    style |= SS_CENTERIMAGE;
  }
  CreateChild(s, L"STATIC", 0, style, text);
  SetControlFont(s);
  s.fore = c.foreColorSet ? c.foreColor : 0x80000012u;  // button text
}

void FormWindow::CreatePictureBox(Slot& s) {
  const ControlDesign& c = *s.design;
  DWORD style = SS_ICON | SS_CENTERIMAGE;
  if (!c.toolTip.empty()) style |= SS_NOTIFY;
  CreateChild(s, L"STATIC", WS_EX_CLIENTEDGE, style, {});
  pictureIcon_.reset(LoadIconImage(site_.module, c.picture, 32));
  if (!pictureIcon_) return;
  SendMessageW(s.hwnd, STM_SETICON, reinterpret_cast<WPARAM>(pictureIcon_.get()), 0);
  const RECT r = PixelRect(c);
  int w = r.right - r.left, h = r.bottom - r.top;
  if (c.autoSize) {
    // Sized to its picture: the icon plus the sunken border.
    w = 32 + 2 * GetSystemMetrics(SM_CXEDGE);
    h = 32 + 2 * GetSystemMetrics(SM_CYEDGE);
  }
  SetWindowPos(s.hwnd, nullptr, r.left, r.top, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::CreateHostedButton(Slot& s) {
  const ControlDesign& c = *s.design;
  ButtonSettings settings = *c.button;
  settings.font = s.font;
  s.hwnd =
      CreateButtonWindow(hwnd_, s.id, PixelRect(c), TabStyle(c), settings, site_.module, site_.dpi);
}

void FormWindow::CreateMovingText(Slot& s) {
  const ControlDesign& c = *s.design;
  MovingTextSettings settings = *c.moving;
  settings.font = s.font;
  s.hwnd = CreateMovingTextWindow(hwnd_, s.id, PixelRect(c), TabStyle(c), settings, site_.module,
                                  site_.dpi);
}

void FormWindow::SetTabOrder() {
  for (const ControlDesign* c : design_.TabOrder()) {
    if (!TabStyle(*c)) continue;
    for (const Slot& s : slots_) {
      if (s.design == c && s.hwnd) tabStops_.push_back(s.hwnd);
    }
  }
}

// ---------------------------------------------------------------------------
// Menus

void FormWindow::CreateMenus() {
  if (design_.menus.empty()) return;
  UINT barPosition = 0;
  for (const MenuDesign& top : design_.menus) {
    if (top.visible && !menuBar_) {
      menuBar_ = CreateMenu();
      if (!menuBar_) ThrowWin32("CreateMenu");
    }
    HMENU popup = CreatePopupMenu();
    if (!popup) ThrowWin32("CreatePopupMenu");
    MenuSlot slot;
    slot.popup = popup;
    if (top.visible) {
      const std::wstring caption = Wide(top.caption);
      if (!AppendMenuW(menuBar_, MF_POPUP | MF_STRING | (top.enabled ? 0 : MF_GRAYED),
                       reinterpret_cast<UINT_PTR>(popup), caption.c_str())) {
        DestroyMenu(popup);
        ThrowWin32("AppendMenuW");
      }
      slot.parent = menuBar_;
      slot.position = barPosition++;
    } else {
      // Never on the menu bar: only ever a pop-up.
      hiddenMenus_.push_back(popup);
    }
    menus_[top.name] = slot;
    AddMenuItems(popup, top.items);
  }
}

void FormWindow::AddMenuItems(HMENU into, const std::vector<MenuDesign>& items) {
  UINT position = 0;
  for (const MenuDesign& item : items) {
    MenuSlot slot;
    if (!item.visible) {
      menus_[item.name] = slot;  // known by name, never shown
      continue;
    }
    const std::wstring caption = Wide(item.caption);
    const UINT grayed = item.enabled ? 0 : MF_GRAYED;
    if (!item.items.empty()) {
      HMENU sub = CreatePopupMenu();
      if (!sub) ThrowWin32("CreatePopupMenu");
      if (!AppendMenuW(into, MF_POPUP | MF_STRING | grayed, reinterpret_cast<UINT_PTR>(sub),
                       caption.c_str())) {
        DestroyMenu(sub);
        ThrowWin32("AppendMenuW");
      }
      slot.popup = sub;
      AddMenuItems(sub, item.items);
    } else {
      slot.id = kFirstMenuId + static_cast<UINT>(menuNames_.size());
      if (!AppendMenuW(into, MF_STRING | grayed, slot.id, caption.c_str()))
        ThrowWin32("AppendMenuW");
      menuNames_[slot.id] = item.name;
    }
    slot.parent = into;
    slot.position = position++;
    menus_[item.name] = slot;
  }
}

void FormWindow::CreateToolTips() {
  bool any = false;
  for (const Slot& s : slots_) any = any || (s.hwnd && !s.design->toolTip.empty());
  if (!any) return;
  toolTip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                             WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, site_.module, nullptr);
  if (!toolTip_) ThrowWin32("CreateWindowExW");
  for (const Slot& s : slots_) {
    if (!s.hwnd || s.design->toolTip.empty()) continue;
    std::wstring text = Wide(s.design->toolTip);
    TTTOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;  // understood by every comctl32 version
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = hwnd_;
    ti.uId = reinterpret_cast<UINT_PTR>(s.hwnd);
    ti.lpszText = text.data();
    SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  }
}

}  // namespace tivrel::win32
