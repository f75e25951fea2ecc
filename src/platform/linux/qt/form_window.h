// One realised window: a top-level widget built from its FormDesign, with its
// controls, menu bar and pop-up menus. Events go to an EventSink.
#pragma once

#include <QMenu>
#include <QMenuBar>
#include <QWidget>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "framework/design.h"
#include "framework/event_sink.h"

namespace tivrel::qt {

class FormWindow : public QWidget {
  Q_OBJECT
 public:
  FormWindow(const FormDesign& design, EventSink& sink);

  FormId id() const { return id_; }
  const FormDesign& design() const { return design_; }
  QWidget* client() const { return client_; }
  QMenuBar* menuBar() const { return menuBar_; }

  QWidget* Control(std::string_view name, int index = kNoIndex) const;
  // Any menu item by name: leaves, submenus and the hidden top-level menus.
  QAction* MenuAction(std::string_view name) const;
  // A top-level menu that is not on the menu bar, for popping up.
  QMenu* PopupMenu(std::string_view name) const;

  // The window system's close command; gone for good once removed.
  void RemoveCloseCommand();
  bool closable() const { return closable_; }

  // Shows and activates; the first time, the focus goes to the first control
  // in tab order that can take it.
  void Present();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // One function a kind of control, as on Win32.
  void CreateControls();
  QWidget* CreateControl(const ControlDesign& c);
  QWidget* CreateTextBox(const ControlDesign& c);
  QWidget* CreateLabel(const ControlDesign& c);
  QWidget* CreateLine(const ControlDesign& c);
  QWidget* CreatePictureBox(const ControlDesign& c);
  QWidget* CreateHostedButton(const ControlDesign& c);
  QWidget* CreateMovingText(const ControlDesign& c);
  void CreateToolTips();
  void SetTabOrder();
  // The font the core chose for the control.
  const FontDesign& FontOf(const ControlDesign& c) const;
  void CreateMenus();
  void AddMenuItems(QMenu* menu, const std::vector<MenuDesign>& items, bool dispatch);
  void MarkSkipTaskbar();

  const FormDesign& design_;
  EventSink& sink_;
  const FormId id_;
  QWidget* client_ = nullptr;
  QMenuBar* menuBar_ = nullptr;
  std::vector<FontDesign> fonts_;  // design order
  std::map<std::string, QWidget*, std::less<>> controls_;
  std::map<std::string, QAction*, std::less<>> actions_;
  std::map<std::string, QMenu*, std::less<>> popups_;
  bool closable_;
  bool presented_ = false;
};

}  // namespace tivrel::qt
