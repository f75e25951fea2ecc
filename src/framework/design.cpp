#include "framework/design.h"

#include <algorithm>

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

const ControlDesign* FormDesign::Find(std::string_view controlName, int index) const {
  for (const auto& c : controls) {
    if (c.name == controlName && c.index == index) return &c;
  }
  return nullptr;
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
