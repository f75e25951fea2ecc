// Drives the Win32 window framework on the real window system (Wine on Xvfb
// in CI): a host per test, an App with either the program's handlers or
// recording ones, a message pump, and a watcher that answers the modal
// dialogs and menus that the code under test opens.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "forms/about_readme.h"
#include "forms/form1.h"
#include "framework/app.h"
#include "framework/error.h"
#include "framework/text.h"
#include "platform/win32/form_window.h"
#include "platform/win32/services/services.h"
#include "platform/win32/win32.h"
#include "platform/win32/win32_host.h"
#include "support/fake_host.h"

namespace tivrel::win32::test {

using tivrel::test::FakeShell;
using tivrel::test::FakeWaveOut;

inline std::string U8(std::wstring_view w) { return Utf16ToUtf8(Utf16(w)); }

// What the recording handlers saw, one line per event.
inline std::vector<std::string>& Events() {
  static std::vector<std::string> events;
  return events;
}
// The recording mouse-down handler opens this pop-up, as the program's does.
inline bool& PopupOnRightClick() {
  static bool on = false;
  return on;
}

const FormHandlers& RecordingHandlers(FormId form);
std::array<FormEntry, kFormCount> RecordingForms();

// Answers dialogs (OK) and pop-up menus (Escape) opened on this thread, and
// records them: "dialog <title> | <text> | owner <form or none>".
class Watcher {
 public:
  Watcher();
  ~Watcher();
  std::vector<std::string> seen;
  Win32Host* host = nullptr;  // to name the owners
  bool answerMenus = true;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void Check();
  UINT_PTR timer_ = 0;
  std::set<HWND> handled_;
};

[[noreturn]] inline void ThrowProcessEnded() { throw ProcessEnded{}; }

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  static Win32HostOptions Options();
  // An App with the program's own handlers, or with recording ones.
  void UseProgram();
  void UseRecorder();

  // Handles every message waiting, the way the event loop does, for about
  // `ms` milliseconds (at least one pass).
  void Pump(DWORD ms = 0);
  FormWindow& Form(FormId form) { return host->Get(form); }
  HWND Window(FormId form) { return host->Get(form).hwnd(); }
  HWND Ctl(FormId form, std::string_view name, int index = kNoIndex) {
    return host->Get(form).Control(ControlRef{name, index});
  }
  // A full press of the left button in the middle of a control.
  void LeftClick(HWND control);
  void Key(HWND target, WPARAM key, bool repeat = false);
  void KeyUp(HWND target, WPARAM key);
  void Tab();  // one press of Tab where the focus is, through the loop
  std::string FocusName();

  std::unique_ptr<Win32Host> host;
  FakeWaveOut waveOut;
  // The About window's Close command goes for real.
  User32Dynamic windowMenu{[this](FormId form) { return host->Handle(form); }};
  FakeShell shell;
  std::unique_ptr<AnsiCodec> ansi = MakeSystemAnsiCodec();
  std::unique_ptr<App> app;
  std::unique_ptr<Watcher> watcher;
  bool quitPosted = false;
};

}  // namespace tivrel::win32::test
