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
    Load(FormId::Form1);
    Show(FormId::Form1);
  });
}

void App::Click(FormId form, std::string_view control, int index) {
  if (!IsLoaded(form) || !Handlers(form).click) return;
  Dispatch([&] { Handlers(form).click(*this, control, index); });
}

void App::MenuClick(FormId form, std::string_view item) {
  if (!IsLoaded(form) || !Handlers(form).menuClick) return;
  Dispatch([&] { Handlers(form).menuClick(*this, item); });
}

void App::GotFocus(FormId form, std::string_view control) {
  if (!IsLoaded(form) || !Handlers(form).gotFocus) return;
  Dispatch([&] { Handlers(form).gotFocus(*this, control); });
}

void App::MouseDown(FormId form, std::string_view control, int16_t button, int16_t shift, float x,
                    float y) {
  if (!IsLoaded(form) || !Handlers(form).mouseDown) return;
  Dispatch([&] { Handlers(form).mouseDown(*this, control, button, shift, x, y); });
}

void App::UserClose(FormId form) {
  Dispatch([&] { Unload(form); });
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
