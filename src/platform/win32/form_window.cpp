#include "platform/win32/form_window.h"

#include <commctrl.h>

#include <utility>

#include "framework/error.h"
#include "platform/win32/common_controls.h"
#include "platform/win32/form_parts.h"

namespace tivrel::win32 {

using namespace form_parts;

void form_parts::SetEditRect(HWND edit) {
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

}  // namespace tivrel::win32
