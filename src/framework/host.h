// The window framework underneath the core. Each platform implements Host;
// tests use a recording fake. Every call that can fail throws tivrel::Error.
#pragma once

#include <cstdint>
#include <string_view>

#include "framework/design.h"

namespace tivrel {

inline constexpr int kMbIconInformation = 0x40;  // the information dialog's style

// Another program may hold the clipboard for a moment: the platform tries so
// many times, so far apart, before it gives up as busy. One policy for every
// platform, and well under a second in all, since the window waits meanwhile.
struct ClipboardRetry {
  int tries;
  int delayMs;
};
inline constexpr ClipboardRetry kClipboardRetry{10, 20};

class Host {
 public:
  virtual ~Host() = default;

  // Realise a window from its design, hidden; controls and menus included.
  virtual void CreateForm(const FormDesign& design) = 0;
  // Hide and destroy it with its controls.
  virtual void DestroyForm(FormId form) = 0;
  // Make it visible (again) and active. The first show of a window puts the
  // focus on the first control in tab order that can take it.
  virtual void ShowForm(FormId form) = 0;

  // Control properties and methods.
  virtual std::u16string GetText(FormId form, ControlRef control) = 0;
  virtual void SetText(FormId form, ControlRef control, std::u16string_view text) = 0;
  virtual std::u16string GetSelText(FormId form, ControlRef control) = 0;
  virtual void SetEnabled(FormId form, ControlRef control, bool enabled) = 0;
  // Only as App::SetFontSize passes it on: a text box or label, a size it took.
  virtual void SetFontSize(FormId form, ControlRef control, float points) = 0;
  virtual void SetFocus(FormId form, ControlRef control) = 0;
  // Whether the control is the one its window gives the keyboard to.
  virtual bool HasFocus(FormId form, ControlRef control) = 0;
  virtual void SetMenuEnabled(FormId form, std::string_view item, bool enabled) = 0;
  // A late-bound property put of one Boolean argument on a hosted control.
  virtual void PutBoolProperty(FormId form, ControlRef control, int32_t dispid, bool value) = 0;
  // Pops up a top-level menu of the form at the pointer; a modal loop. The
  // chosen enabled item's click reaches App::MenuClick before this returns.
  virtual void PopupMenu(FormId form, std::string_view menu) = 0;

  // Application services.
  // Modal; returns when the user dismissed it. The answer is never read.
  virtual void MessageBox(std::u16string_view text, std::u16string_view title, int style) = 0;
  virtual void Beep() = 0;
  // True when another instance was running when this process started;
  // the same answer for the life of the process.
  virtual bool PrevInstance() = 0;
  virtual void ClipboardClear() = 0;
  virtual void ClipboardSetText(std::u16string_view text) = 0;
  // The framework's own report of an unhandled error.
  virtual void ShowErrorBox(std::u16string_view text, std::u16string_view title) = 0;
  // Ends the process at once: every window vanishes, no handler runs again.
  [[noreturn]] virtual void EndProcess() = 0;
  // No window is loaded any more: leave the event loop.
  virtual void QuitEventLoop() = 0;
};

}  // namespace tivrel
