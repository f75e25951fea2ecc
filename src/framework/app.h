// The framework's portable half: window lifecycle, event dispatch to the
// handlers, and the rule for unhandled errors. Platforms route their events
// here; handlers reach the platform through it.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/ansi_codec.h"
#include "framework/design.h"
#include "framework/host.h"
#include "framework/platform_api.h"

namespace tivrel {

class App;

// Which handler answers which event of which control or menu item. An event
// that no route names goes unanswered.
struct ControlRoute {
  ControlRef control;
  void (*run)(App&, ControlRef control);
};
struct MouseRoute {
  ControlRef control;
  void (*run)(App&, ControlRef control, int16_t button, int16_t shift, float x, float y);
};
struct MenuRoute {
  MenuRef item;
  void (*run)(App&, MenuRef item);
};

// The handlers of one window.
struct FormHandlers {
  void (*load)(App&) = nullptr;
  std::span<const ControlRoute> click;
  std::span<const MenuRoute> menuClick;
  std::span<const ControlRoute> gotFocus;
  std::span<const MouseRoute> mouseDown;
};

struct FormEntry {
  const FormDesign* design = nullptr;
  const FormHandlers* handlers = nullptr;
};

struct Services {
  WaveOutApi& waveOut;
  WindowMenuApi& windowMenu;
  ShellApi& shell;
  const AnsiCodec& ansi;
};

class App {
 public:
  App(Host& host, Services services, std::array<FormEntry, kFormCount> forms);

  // Process entry: load the start-up window (its load handler runs) and show
  // it. The platform then runs its event loop.
  void Start();

  // Events from the platform, each run to completion under the error rule.
  void Click(FormId form, ControlRef control);
  void MenuClick(FormId form, std::string_view item);
  void GotFocus(FormId form, ControlRef control);
  void MouseDown(FormId form, ControlRef control, int16_t button, int16_t shift, float x, float y);
  // The user closed a window by the window system's own means.
  void UserClose(FormId form);

  // Window lifecycle, for the handlers.
  void Load(FormId form);
  void Show(FormId form);  // loads first when needed
  void Unload(FormId form);
  bool IsLoaded(FormId form) const { return loaded_[Slot(form)]; }
  [[noreturn]] void EndNow();

  // FontSize, one rule for every platform: text boxes and labels take it,
  // above 0 and up to kMaxFontPoints; anything else throws tivrel::Error
  // and the host is not asked.
  void SetFontSize(FormId form, ControlRef control, float points);

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

// The names that the window's handlers answer events of but its design does
// not have, as "name" or "name(index)"; empty when every one is there.
std::vector<std::string> UndesignedNames(const FormEntry& entry);

// The framework's error box text for an unhandled error: Chinese, as the
// user-interface language is.
std::u16string UnhandledErrorText(std::string_view what);
inline constexpr std::u16string_view kErrorBoxTitle = u"Tivrel";

}  // namespace tivrel
