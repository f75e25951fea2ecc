#include "platform/win32/form_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "framework/error.h"
#include "framework/faces.h"
#include "platform/win32/common_controls.h"
#include "platform/win32/hosted_controls.h"

namespace tivrel::win32 {

namespace {

constexpr wchar_t kFormClass[] = L"TivrelForm";
constexpr int kFirstControlId = 100;  // clear of IDOK/IDCANCEL
constexpr UINT kFirstMenuId = 1000;
constexpr UINT_PTR kEditSubclassId = 1;
// A text box's lines take the whole width inside its frame and scroll bar,
// as the designs' hand-made breaks expect; the room a line has is then known
// before the box is made. A new font resets it.
void SetEditRect(HWND edit) {
  SendMessageW(edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
  RECT client, got;
  GetClientRect(edit, &client);
  SendMessageW(edit, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&client));
  // Some edit boxes keep a pixel inside the rectangle they are given.
  SendMessageW(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&got));
  RECT wider = client;
  wider.left -= got.left - client.left;
  wider.right += client.right - got.right;
  SendMessageW(edit, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&wider));
}

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

std::optional<POINT> g_menuKeyPoint;

}  // namespace

std::optional<POINT> MenuKeyPoint() { return g_menuKeyPoint; }

void FormWindow::RegisterWindowClass(HINSTANCE module) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WndProc;
  wc.hInstance = module;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kFormClass;
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    ThrowWin32("RegisterClassExW");
  }
}

FormWindow::FormWindow(const FormDesign& design, EventSink& sink, FormSite site)
    : design_(design), sink_(sink), site_(site) {
  slots_.resize(design_.controls.size());
  for (size_t i = 0; i < design_.controls.size(); ++i) {
    slots_[i].design = &design_.controls[i];
    slots_[i].id = kFirstControlId + static_cast<int>(i);
  }
  try {
    CreateMenus();
    CreateWindowFromDesign();
    // Made before the window is ever shown, so that it appears whole.
    Comctl32();
    CreateControls();
  } catch (...) {
    Cleanup();
    throw;
  }
}

FormWindow::~FormWindow() { Cleanup(); }

void FormWindow::Cleanup() {
  if (hwnd_) {
    // Messages sent while the window goes down find no object any more.
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);  // children, tooltip and menu bar with it
    hwnd_ = nullptr;
  } else if (menuBar_) {
    DestroyMenu(menuBar_);
  }
  menuBar_ = nullptr;
  for (HMENU m : hiddenMenus_) DestroyMenu(m);
  hiddenMenus_.clear();
}

// ---------------------------------------------------------------------------
// Building

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

// ---------------------------------------------------------------------------
// Queries and operations

FormWindow::Slot* FormWindow::SlotOf(HWND child) {
  for (Slot& s : slots_) {
    if (s.hwnd && s.hwnd == child) return &s;
  }
  return nullptr;
}

const FormWindow::Slot* FormWindow::SlotOf(ControlRef control) const {
  for (const Slot& s : slots_) {
    if (s.design->name == control.name && s.design->index == control.index) return &s;
  }
  return nullptr;
}

FormWindow::Slot* FormWindow::SlotOf(ControlRef control) {
  return const_cast<Slot*>(std::as_const(*this).SlotOf(control));
}

HWND FormWindow::Control(ControlRef control) const {
  const Slot* s = SlotOf(control);
  if (!s || !s->hwnd || !IsWindow(s->hwnd)) throw Error("找不到控件：" + ControlKey(control));
  return s->hwnd;
}

ControlKind FormWindow::KindOf(ControlRef control) const {
  const Slot* s = SlotOf(control);
  if (!s) throw Error("找不到控件：" + ControlKey(control));
  return s->design->kind;
}

void FormWindow::FocusFirst() {
  for (HWND h : tabStops_) {
    if (IsWindowEnabled(h) && IsWindowVisible(h)) {
      ::SetFocus(h);
      return;
    }
  }
}

void FormWindow::Show() {
  ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(hwnd_);
  const bool first = !shownOnce_;
  if (first) {
    shownOnce_ = true;
    // Activation normally did this already.
    const HWND focus = GetFocus();
    if (!focus || !IsChild(hwnd_, focus)) FocusFirst();
  }
  // The window and all its controls are painted before this returns, not
  // when the message loop comes round to them: what appears is complete.
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  // Tips are for a window the user can point at: made once it has painted,
  // so that they never hold up its first appearance.
  if (first) CreateToolTips();
}

void FormWindow::SetFontSize(ControlRef control, float points) {
  Control(control);  // throws when there is none
  Slot& s = *SlotOf(control);
  FontDesign font = s.font;
  font.points = points;
  Gdi<HFONT> created(CreateDesignFont(font, site_.dpi));
  SendMessageW(s.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(created.get()), TRUE);
  if (s.design->kind == ControlKind::TextBox) SetEditRect(s.hwnd);
  s.font = font;
  s.ownFont = std::move(created);  // the old one goes only now that it is no longer in use
}

void FormWindow::SetEnabled(ControlRef control, bool enabled) {
  EnableWindow(Control(control), enabled ? TRUE : FALSE);
}

void FormWindow::SetMenuEnabled(std::string_view item, bool enabled) {
  auto it = menus_.find(item);
  if (it == menus_.end()) throw Error("找不到菜单：" + std::string(item));
  const MenuSlot& m = it->second;
  if (!m.parent) return;  // not on screen anywhere
  EnableMenuItem(m.parent, m.position, MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
  if (m.parent == menuBar_) DrawMenuBar(hwnd_);
}

HMENU FormWindow::Menu(std::string_view name) const {
  auto it = menus_.find(name);
  if (it == menus_.end() || !it->second.popup) throw Error("找不到菜单：" + std::string(name));
  return it->second.popup;
}

std::string FormWindow::MenuItemName(UINT id) const {
  auto it = menuNames_.find(id);
  return it == menuNames_.end() ? std::string() : it->second;
}

void FormWindow::MoveFocus(bool forward) {
  const int n = static_cast<int>(tabStops_.size());
  if (n == 0) return;
  const HWND focus = GetFocus();
  int at = -1;
  for (int i = 0; i < n; ++i) {
    if (tabStops_[static_cast<size_t>(i)] == focus) at = i;
  }
  if (at < 0) at = forward ? -1 : n;
  for (int step = 1; step <= n; ++step) {
    const int i = ((at + (forward ? step : -step)) % n + n) % n;
    const HWND h = tabStops_[static_cast<size_t>(i)];
    if (IsWindowEnabled(h) && IsWindowVisible(h)) {
      ::SetFocus(h);
      return;
    }
  }
}

// ---------------------------------------------------------------------------
// Messages. Whatever reaches the App may unload this window: such calls come
// last, and nothing of the object is touched after them.

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
