// The framework's portable half: window lifecycle, event dispatch to the
// handlers, and the rule for unhandled errors. Platforms route their events
// here; handlers reach the platform through it.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "framework/ansi_codec.h"
#include "framework/design.h"
#include "framework/host.h"
#include "framework/platform_api.h"

namespace tivrel {

class App;

// The handlers of one window; a null entry leaves that kind of event unanswered.
struct FormHandlers {
  void (*load)(App&) = nullptr;
  void (*click)(App&, std::string_view control, int index) = nullptr;
  void (*menuClick)(App&, std::string_view item) = nullptr;
  void (*gotFocus)(App&, std::string_view control) = nullptr;
  void (*mouseDown)(App&, std::string_view control, int16_t button, int16_t shift, float x,
                    float y) = nullptr;
};

struct FormEntry {
  const FormDesign* design = nullptr;
  const FormHandlers* handlers = nullptr;
};

struct Services {
  WaveOutApi& waveOut;
  User32Api& user32;
  Shell32Api& shell32;
  const AnsiCodec& ansi;
};

class App {
 public:
  App(Host& host, Services services, std::array<FormEntry, kFormCount> forms);

  // Process entry: load the start-up window (its load handler runs) and show
  // it. The platform then runs its event loop.
  void Start();

  // Events from the platform, each run to completion under the error rule.
  void Click(FormId form, std::string_view control, int index);
  void MenuClick(FormId form, std::string_view item);
  void GotFocus(FormId form, std::string_view control);
  void MouseDown(FormId form, std::string_view control, int16_t button, int16_t shift, float x,
                 float y);
  // The user closed a window by the window system's own means.
  void UserClose(FormId form);

  // Window lifecycle, for the handlers.
  void Load(FormId form);
  void Show(FormId form);  // loads first when needed
  void Unload(FormId form);
  bool IsLoaded(FormId form) const { return loaded_[Slot(form)]; }
  [[noreturn]] void EndNow();

  Host& host() { return host_; }
  const Services& services() const { return services_; }
  const FormDesign& Design(FormId form) const { return *forms_[Slot(form)].design; }

 private:
  static size_t Slot(FormId form) { return static_cast<size_t>(form); }
  template <typename F>
  void Dispatch(F&& handler);
  const FormHandlers& Handlers(FormId form) const { return *forms_[Slot(form)].handlers; }

  Host& host_;
  Services services_;
  std::array<FormEntry, kFormCount> forms_;
  std::array<bool, kFormCount> loaded_{};
};

// The framework's error box text for an unhandled error: Chinese, as the
// user-interface language is.
std::u16string UnhandledErrorText(std::string_view what);
inline constexpr std::u16string_view kErrorBoxTitle = u"Tivrel";

}  // namespace tivrel
