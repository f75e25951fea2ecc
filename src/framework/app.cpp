#include "framework/app.h"

#include <exception>
#include <utility>

#include "framework/error.h"
#include "framework/text.h"

namespace tivrel {

App::App(Host& host, Services services, std::array<FormEntry, kFormCount> forms)
    : host_(host), services_(services), forms_(forms) {}

std::u16string UnhandledErrorText(std::string_view what) {
  return u"运行时错误：\r\n\r\n" + Utf8ToUtf16(what);
}

// Every event runs to completion. A handler installs no trap of its own: an
// error abandons it (its temporaries are released by unwinding), and here it
// is reported in the framework's error box and the process ends.
template <typename F>
void App::Dispatch(F&& handler) {
  std::u16string message;
  try {
    std::forward<F>(handler)();
    return;
  } catch (const std::bad_alloc&) {
    message = UnhandledErrorText("内存不足");
  } catch (const std::exception& e) {
    message = UnhandledErrorText(e.what());
  }
  try {
    host_.ShowErrorBox(message, kErrorBoxTitle);
  } catch (const std::exception&) {
    // Nothing more can be shown; ending is all that is left.
  }
  host_.EndProcess();
}

void App::EndNow() {
  host_.EndProcess();
  // A host's EndProcess never comes back; should one, nothing may run on.
  std::terminate();
}

void App::Start() {
  Dispatch([&] {
#ifndef NDEBUG
    // A handler for a name its design lacks would never run: say so at once.
    for (const FormEntry& entry : forms_) {
      for (const std::string& name : UndesignedNames(entry)) {
        throw Error(std::string(entry.design->name) + " 的设计中没有 " + name);
      }
    }
#endif
    Load(FormId::Form1);
    Show(FormId::Form1);
  });
}

namespace {

template <typename Route>
const Route* RouteOf(std::span<const Route> routes, ControlRef control) {
  for (const Route& r : routes) {
    if (r.control == control) return &r;
  }
  return nullptr;
}

}  // namespace

std::vector<std::string> UndesignedNames(const FormEntry& entry) {
  const FormDesign& design = *entry.design;
  const FormHandlers& handlers = *entry.handlers;
  std::vector<std::string> missing;
  auto control = [&](ControlRef c) {
    if (!design.Find(c)) missing.push_back(ControlKey(c));
  };
  for (const auto& r : handlers.click) control(r.control);
  for (const auto& r : handlers.gotFocus) control(r.control);
  for (const auto& r : handlers.mouseDown) control(r.control);
  for (const auto& r : handlers.menuClick) {
    if (!design.FindMenu(r.item.name)) missing.emplace_back(r.item.name);
  }
  return missing;
}

void App::Click(FormId form, ControlRef control) {
  if (!IsLoaded(form)) return;
  const ControlRoute* route = RouteOf(Handlers(form).click, control);
  if (!route) return;
  Dispatch([&] { route->run(*this, control); });
}

void App::MenuClick(FormId form, std::string_view item) {
  if (!IsLoaded(form)) return;
  for (const MenuRoute& r : Handlers(form).menuClick) {
    if (r.item.name == item) return Dispatch([&] { r.run(*this, r.item); });
  }
}

void App::GotFocus(FormId form, ControlRef control) {
  if (!IsLoaded(form)) return;
  const ControlRoute* route = RouteOf(Handlers(form).gotFocus, control);
  if (!route) return;
  Dispatch([&] { route->run(*this, control); });
}

void App::MouseDown(FormId form, ControlRef control, int16_t button, int16_t shift, float x,
                    float y) {
  if (!IsLoaded(form)) return;
  const MouseRoute* route = RouteOf(Handlers(form).mouseDown, control);
  if (!route) return;
  Dispatch([&] { route->run(*this, control, button, shift, x, y); });
}

void App::UserClose(FormId form) {
  Dispatch([&] { Unload(form); });
}

void App::SetFontSize(FormId form, ControlRef control, float points) {
  if (!IsLoaded(form)) throw Error(std::string("窗体未加载：") + FormName(form));
  const ControlDesign* design = Design(form).Find(control);
  if (!design) throw Error("找不到控件：" + ControlKey(control));
  if (design->kind != ControlKind::TextBox && design->kind != ControlKind::Label) {
    throw Error("对象不支持该属性或方法：" + ControlKey(control) + ".FontSize");
  }
  if (!(points > 0.0f) || points > kMaxFontPoints) throw Error("无效的属性值：FontSize");
  host_.SetFontSize(form, control, points);
}

void App::Load(FormId form) {
  if (IsLoaded(form)) return;
  host_.CreateForm(Design(form));
  loaded_[Slot(form)] = true;
  if (Handlers(form).load) Handlers(form).load(*this);
}

void App::Show(FormId form) {
  Load(form);
  host_.ShowForm(form);
}

void App::Unload(FormId form) {
  if (!IsLoaded(form)) return;
  loaded_[Slot(form)] = false;
  host_.DestroyForm(form);
  for (bool loaded : loaded_) {
    if (loaded) return;
  }
  host_.QuitEventLoop();
}

}  // namespace tivrel
