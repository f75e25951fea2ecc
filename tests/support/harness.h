// The program's core on the recording fakes, with GBK as the ANSI code page.
#pragma once

#include <memory>

#include "forms/about_readme.h"
#include "forms/form1.h"
#include "forms/program.h"
#include "forms/report_menu.h"
#include "probe/report_text.h"
#include "support/fake_host.h"

namespace tivrel::test {

struct Harness {
  FakeHost host;
  FakeWaveOut waveOut;
  FakeWindowMenu windowMenu{host};
  FakeShell shell;
  std::unique_ptr<AnsiCodec> gbk = MakeGbkCodec();
  App app{host, Services{waveOut, windowMenu, shell, *gbk}, ProgramForms()};

  Harness() { host.app = &app; }

  // Starts the program as the process entry does; false when it ended.
  bool Start() {
    try {
      app.Start();
      return true;
    } catch (const ProcessEnded&) {
      return false;
    }
  }
  // Runs an event; false when the process ended during it.
  template <typename F>
  bool Run(F&& event) {
    try {
      event();
      return true;
    } catch (const ProcessEnded&) {
      return false;
    }
  }
  bool ClickTest() {
    return Run([&] { app.Click(FormId::Form1, form1::kCommand1); });
  }
  bool RightClickReport(std::optional<std::string> choice = std::nullopt) {
    host.popupChoice = std::move(choice);
    return Run([&] { app.MouseDown(FormId::Form1, form1::kText1, 2, 0, 10.0f, 10.0f); });
  }
  bool Menu(FormId form, std::string_view item) {
    return Run([&] { app.MenuClick(form, item); });
  }
  void ClearLog() {
    host.log.clear();
    waveOut.log.clear();
    shell.uris.clear();
  }
};

// Puts a record into the fake device's image, as the platform would fill it.
inline CapsImage ImageOf(const WAVEOUTCAPS& caps, const AnsiCodec& ansi) {
  return ToImage(caps, ansi);
}
inline WAVEOUTCAPS Caps(std::u16string_view name, int16_t mid, int16_t pid, int32_t version,
                        int16_t channels, int32_t formats, int32_t support) {
  WAVEOUTCAPS c;
  std::copy_n(name.begin(), std::min<size_t>(name.size(), 32), c.szPname.begin());
  c.wMid = mid;
  c.wPid = pid;
  c.vDriverVersion = version;
  c.wChannels = channels;
  c.dwFormats = formats;
  c.dwSupport = support;
  return c;
}

}  // namespace tivrel::test
