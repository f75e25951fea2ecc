#include "framework/design.h"

#include <algorithm>
#include <string>

namespace tivrel {

const char* FormName(FormId form) {
  switch (form) {
    case FormId::Form1:
      return "Form1";
    case FormId::frmAbout:
      return "frmAbout";
    case FormId::frmreadme:
      return "frmreadme";
  }
  return "?";
}

std::string ControlKey(ControlRef control) {
  std::string key(control.name);
  if (control.index != kNoIndex) key += "(" + std::to_string(control.index) + ")";
  return key;
}

ScreenRect KeepInside(ScreenRect window, ScreenRect area) {
  const auto fit = [](int at, int size, int from, int room) {
    return std::max(from, std::min(at, from + room - size));
  };
  window.left = fit(window.left, window.width, area.left, area.width);
  window.top = fit(window.top, window.height, area.top, area.height);
  return window;
}

const ControlDesign* FormDesign::Find(std::string_view controlName, int index) const {
  for (const auto& c : controls) {
    if (c.name == controlName && c.index == index) return &c;
  }
  return nullptr;
}

namespace {

const MenuDesign* FindIn(const std::vector<MenuDesign>& menus, std::string_view name) {
  for (const auto& m : menus) {
    if (m.name == name) return &m;
    if (const MenuDesign* inner = FindIn(m.items, name)) return inner;
  }
  return nullptr;
}

}  // namespace

const MenuDesign* FormDesign::FindMenu(std::string_view menuName) const {
  return FindIn(menus, menuName);
}

std::vector<const ControlDesign*> FormDesign::TabOrder() const {
  std::vector<const ControlDesign*> order;
  for (const auto& c : controls) {
    if (c.tabIndex >= 0) order.push_back(&c);
  }
  std::stable_sort(order.begin(), order.end(),
                   [](const auto* a, const auto* b) { return a->tabIndex < b->tabIndex; });
  return order;
}

}  // namespace tivrel
