// One realised window: the native window built from its design, its child
// controls (by name and index), its menus and its tooltips. Events go to an
// EventSink.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/design.h"
#include "framework/event_sink.h"
#include "platform/win32/win32.h"
#include "platform/win32/win32_util.h"

namespace tivrel::win32 {

// What a window takes from the framework that makes it.
struct FormSite {
  HINSTANCE module = nullptr;
  int dpi = 96;
  // Owns the window when its design wants no taskbar button; else null.
  HWND owner = nullptr;
};

// While a menu key's press on a report box is being handled: where the
// pop-up menu goes (the caret, on the screen) instead of the pointer.
std::optional<POINT> MenuKeyPoint();

class FormWindow {
 public:
  // Builds the window hidden, with every control and menu of the design.
  FormWindow(const FormDesign& design, EventSink& sink, FormSite site);
  ~FormWindow();
  static void RegisterWindowClass(HINSTANCE module);
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  FormId id() const { return design_.id; }
  const FormDesign& design() const { return design_; }

  // The control's window; throws tivrel::Error when there is none.
  HWND Control(ControlRef control) const;
  ControlKind KindOf(ControlRef control) const;

  // Shows and activates, and paints the window with all its controls before
  // it returns; the first time, the focus goes to the first control in tab
  // order that can take it.
  void Show();
  void SetFontSize(ControlRef control, float points);
  void SetEnabled(ControlRef control, bool enabled);
  void SetMenuEnabled(std::string_view item, bool enabled);
  // The top-level menu as a pop-up (hidden ones included); throws if unknown.
  HMENU Menu(std::string_view name) const;
  // The menu item with this command id, or empty.
  std::string MenuItemName(UINT id) const;
  HMENU MenuBar() const { return menuBar_; }
  // Moves the focus to the next (or previous) tab stop that can take it.
  void MoveFocus(bool forward);

 private:
  struct Slot {
    const ControlDesign* design = nullptr;
    HWND hwnd = nullptr;
    int id = 0;
    FontDesign font;
    Gdi<HFONT> ownFont;  // text boxes and labels: the font the core chose
    // Design colours, resolved when painted so that system colours follow
    // the user's scheme.
    Colour fore = 0x80000012u;
    Colour back = kButtonFace;
    Gdi<HBRUSH> backBrush;  // for a fixed colour; system colours use the system's
  };
  struct MenuSlot {
    HMENU parent = nullptr;  // null: hidden, never on screen
    UINT position = 0;
    UINT id = 0;
    HMENU popup = nullptr;
  };

  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR subclassId, DWORD_PTR refData);
  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT OnCommand(WPARAM wParam, LPARAM lParam);
  LRESULT OnColour(HDC dc, HWND child);
  void OnActivate(WPARAM wParam);
  void OnPaint();
  void OnClose();
  void OnEditMouseDown(HWND edit, UINT msg, WPARAM wParam, LPARAM lParam);
  void OnEditMenuKey(HWND edit);

  void CreateWindowFromDesign();
  // One function a kind of control, as on Qt.
  void CreateControls();
  void CreateControl(Slot& s);
  void CreateTextBox(Slot& s);
  void CreateLabel(Slot& s);
  void CreatePictureBox(Slot& s);
  void CreateHostedButton(Slot& s);
  void CreateMovingText(Slot& s);
  void CreateToolTips();
  void SetTabOrder();
  // The child window of a control, at its designed place; throws on failure.
  void CreateChild(Slot& s, const wchar_t* windowClass, DWORD exStyle, DWORD style,
                   const std::wstring& text);
  // A text box's or label's font: its own when its size or face differs.
  void SetControlFont(Slot& s);
  void PaintLine(HDC dc, const ControlDesign& c) const;
  void CreateMenus();
  void AddMenuItems(HMENU into, const std::vector<MenuDesign>& items);
  Slot* SlotOf(HWND child);
  const Slot* SlotOf(ControlRef control) const;
  Slot* SlotOf(ControlRef control);
  RECT PixelRect(const ControlDesign& c) const;
  void FocusFirst();
  void Cleanup();

  const FormDesign& design_;
  EventSink& sink_;
  const FormSite site_;
  HWND hwnd_ = nullptr;
  Gdi<HFONT> font_;
  std::vector<Slot> slots_;     // design order; lines have no window
  std::vector<HWND> tabStops_;  // the controls that Tab visits, in tab order
  HMENU menuBar_ = nullptr;
  std::vector<HMENU> hiddenMenus_;  // not attached to a window: destroyed by us
  std::map<std::string, MenuSlot, std::less<>> menus_;
  std::map<UINT, std::string> menuNames_;
  HWND toolTip_ = nullptr;
  Icon bigIcon_, smallIcon_, pictureIcon_;
  HWND activeControl_ = nullptr;  // the control that last had the focus here
  bool shownOnce_ = false;
};

}  // namespace tivrel::win32
