// The main window's handlers that lead away from the report: the guard,
// About, Exit, Read-me and the contact line; and the window's event routing.
#include "forms/form1.h"

#include "app/author.h"
#include "controls/hosted.h"
#include "forms/report_menu.h"
#include "framework/error.h"
#include "probe/report_text.h"

namespace tivrel {

void Form1_Load(App& app) {
  Host& host = app.host();
  if (!host.PrevInstance()) return;
  host.MessageBox(kSecondInstanceText, kSecondInstanceTitle, kMbIconInformation);
  app.EndNow();
}

void TestCommand(App& app) {
  Host& host = app.host();
  const ProbeResult probe = ProbeDevice0(app.services().waveOut, app.services().ansi);
  if (!probe.HasDevice()) {
    host.SetText(FormId::Form1, form1::kText1, kNoDeviceMessage);
  } else if (probe.queryResult == 0) {
    // The box shows the report growing: the first line replaces whatever it
    // held, each later one is appended to the text read back from the box.
    const auto lines = ReportLines(probe);
    host.SetText(FormId::Form1, form1::kText1, lines.front());
    for (size_t i = 1; i < lines.size(); ++i) {
      host.SetText(FormId::Form1, form1::kText1,
                   host.GetText(FormId::Form1, form1::kText1) + lines[i]);
    }
  } else {
    // A failure must not pass for a finished test with a stale report.
    host.SetText(FormId::Form1, form1::kText1, FailureText(probe));
  }
  // Every path ends here.
  host.PutBoolProperty(FormId::Form1, form1::kCommand1, kButtonFlagDispId, false);
  host.MessageBox(kTestDoneText, kTestDoneTitle, kMbIconInformation);
  host.SetFocus(FormId::Form1, form1::kText1);
}

void AboutCommand(App& app) {
  // The incoming window is loaded and shown before the outgoing one goes, so
  // that some window is loaded at every moment.
  app.Load(FormId::frmAbout);
  app.Show(FormId::frmAbout);
  app.Unload(FormId::Form1);
}

void ExitCommand(App& app) {
  app.host().MessageBox(kExitText, kExitTitle, kMbIconInformation);
  app.EndNow();
}

void ReadmeCommand(App& app) {
  app.Load(FormId::frmreadme);
  app.Show(FormId::frmreadme);
}

void ContactMail(App& app) {
  const std::string uri = app.services().ansi.Encode(u"mailto:" + std::u16string(kAuthorEmail));
  // Whatever the shell answers, nothing is shown: no mail program is no error.
  app.services().shell.OpenUri(uri);
}

namespace {

using namespace form1;

constexpr ControlRoute kClicks[] = {
    {kCommand1, [](App& app, ControlRef) { TestCommand(app); }},
    {kCommand2, [](App& app, ControlRef) { AboutCommand(app); }},
    {kCommand3, [](App& app, ControlRef) { ExitCommand(app); }},
};
constexpr MenuRoute kMenuClicks[] = {
    {kCopy, [](App& app, MenuRef) { CopySelection(app); }},
    {kAllcopy, [](App& app, MenuRef) { CopyAll(app); }},
    {kBig, [](App& app, MenuRef) { SetReportFontSize(app, kFontSizeBig); }},
    {kMid, [](App& app, MenuRef) { SetReportFontSize(app, kFontSizeMid); }},
    {kSmall, [](App& app, MenuRef) { SetReportFontSize(app, kFontSizeSmall); }},
    {kGyll, [](App& app, MenuRef) { AboutCommand(app); }},
    {kReadme, [](App& app, MenuRef) { ReadmeCommand(app); }},
};
constexpr ControlRoute kGotFocus[] = {
    {kMovingText1, [](App& app, ControlRef) { ContactMail(app); }},
};
constexpr MouseRoute kMouseDown[] = {
    {kText1, [](App& app, ControlRef, int16_t button, int16_t shift, float x,
                float y) { Text1_MouseDown(app, button, shift, x, y); }},
};

}  // namespace

const FormHandlers& Form1Handlers() {
  static const FormHandlers handlers{Form1_Load, kClicks, kMenuClicks, kGotFocus, kMouseDown};
  return handlers;
}

}  // namespace tivrel
