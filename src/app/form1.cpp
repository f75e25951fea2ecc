// The main window's handlers that lead away from the report: the guard,
// About, Exit, Read-me and the contact line; and the window's event routing.
#include "app/author.h"
#include "app/forms.h"
#include "framework/error.h"
#include "probe/test_command.h"
#include "report/report_menu.h"

namespace tivrel {

void Form1_Load(App& app) {
  Host& host = app.host();
  if (!host.PrevInstance()) return;
  host.MessageBox(kSecondInstanceText, kSecondInstanceTitle, kMbIconInformation);
  app.EndNow();
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
  (void)app.services().shell32.ShellExecuteA(0, nullptr, uri.c_str(), nullptr, nullptr, kSwHide);
}

namespace {

void Form1Click(App& app, std::string_view control, int index) {
  if (control == "Command1") {
    TestCommand(app, index);
  } else if (control == "Command2") {
    AboutCommand(app);
  } else if (control == "Command3") {
    ExitCommand(app);
  }
}

void Form1MenuClick(App& app, std::string_view item) {
  if (item == "copy") {
    CopySelection(app);
  } else if (item == "allcopy") {
    CopyAll(app);
  } else if (item == "big") {
    SetReportFontSize(app, kFontSizeBig);
  } else if (item == "mid") {
    SetReportFontSize(app, kFontSizeMid);
  } else if (item == "small") {
    SetReportFontSize(app, kFontSizeSmall);
  } else if (item == "gyll") {
    AboutCommand(app);
  } else if (item == "readme") {
    ReadmeCommand(app);
  }
}

void Form1GotFocus(App& app, std::string_view control) {
  if (control == "MovingText1") ContactMail(app);
}

void Form1MouseDown(App& app, std::string_view control, int16_t button, int16_t shift, float x,
                    float y) {
  if (control == "Text1") Text1_MouseDown(app, button, shift, x, y);
}

}  // namespace

const FormHandlers& Form1Handlers() {
  static const FormHandlers handlers{Form1_Load, Form1Click, Form1MenuClick, Form1GotFocus,
                                     Form1MouseDown};
  return handlers;
}

}  // namespace tivrel
