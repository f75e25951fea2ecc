// Where a realised window's events go: each platform's windows hand them to
// the host that made them, and the host to the App. Every call may unload the
// window that raised it, so a window touches nothing of itself afterwards.
#pragma once

#include <cstdint>
#include <string_view>

#include "framework/design.h"

namespace tivrel {

class App;

class EventSink {
 public:
  virtual ~EventSink() = default;
  virtual void OnClick(FormId form, ControlRef control) = 0;
  virtual void OnMenuClick(FormId form, std::string_view item) = 0;
  virtual void OnGotFocus(FormId form, ControlRef control) = 0;
  virtual void OnMouseDown(FormId form, ControlRef control, int16_t button, int16_t shift, float x,
                           float y) = 0;
  // The user closed the window by the window system's own means.
  virtual void OnUserClose(FormId form) = 0;
};

// The hosts' sink: every event goes to the App, while there is one.
class AppEventSink : public EventSink {
 public:
  // Null leaves the events undelivered (before start, and once ending).
  void SetApp(App* app) { app_ = app; }
  App* app() const { return app_; }

  void OnClick(FormId form, ControlRef control) override;
  void OnMenuClick(FormId form, std::string_view item) override;
  void OnGotFocus(FormId form, ControlRef control) override;
  void OnMouseDown(FormId form, ControlRef control, int16_t button, int16_t shift, float x,
                   float y) override;
  void OnUserClose(FormId form) override;

 private:
  App* app_ = nullptr;
};

}  // namespace tivrel
