// The window lifecycle and the rule for unhandled errors, on the recording host.
#include "framework/app.h"

#include <gtest/gtest.h>

#include <limits>

#include "support/harness.h"

namespace tivrel {
namespace {

using test::Harness;

TEST(Lifecycle, StartLoadsRunsTheGuardThenShowsTheMainWindow) {
  Harness h;
  ASSERT_TRUE(h.Start());
  EXPECT_EQ(h.host.log,
            (std::vector<std::string>{"CreateForm Form1", "PrevInstance", "ShowForm Form1"}));
  EXPECT_TRUE(h.app.IsLoaded(FormId::Form1));
  EXPECT_TRUE(h.host.forms.at(FormId::Form1).visible);
}

TEST(Lifecycle, LoadOfALoadedWindowDoesNothingAndUnloadBuildsAnewNextTime) {
  Harness h;
  ASSERT_TRUE(h.Start());
  h.app.Load(FormId::frmreadme);
  h.app.Load(FormId::frmreadme);
  EXPECT_EQ(h.host.created[static_cast<int>(FormId::frmreadme)], 1);
  EXPECT_EQ(h.host.Count("Beep"), 1u);  // its load handler ran once

  h.app.Unload(FormId::frmreadme);
  EXPECT_FALSE(h.app.IsLoaded(FormId::frmreadme));
  h.app.Unload(FormId::frmreadme);  // not loaded: nothing
  EXPECT_EQ(h.host.Count("DestroyForm frmreadme"), 1u);
  h.app.Show(FormId::frmreadme);  // Show loads what is not loaded
  EXPECT_EQ(h.host.created[static_cast<int>(FormId::frmreadme)], 2);
  EXPECT_EQ(h.host.Count("Beep"), 2u);
}

TEST(Lifecycle, TheEventLoopEndsOnlyWithTheLastLoadedWindow) {
  Harness h;
  ASSERT_TRUE(h.Start());
  ASSERT_TRUE(h.Menu(FormId::Form1, "readme"));
  h.app.UserClose(FormId::Form1);
  EXPECT_FALSE(h.host.loopQuit) << "the read-me window is still loaded";
  h.app.UserClose(FormId::frmreadme);
  EXPECT_TRUE(h.host.loopQuit);
}

TEST(Lifecycle, EventsForAWindowThatIsNotLoadedAreDropped) {
  Harness h;
  ASSERT_TRUE(h.Start());
  h.ClearLog();
  h.app.Click(FormId::frmAbout, about::kCommand3);
  h.app.GotFocus(FormId::frmAbout, about::kMovingText1);
  EXPECT_TRUE(h.host.log.empty());
  EXPECT_TRUE(h.shell.uris.empty());
}

TEST(Routes, EveryNameAHandlerAnswersIsInItsWindowsDesign) {
  for (const FormEntry& entry : ProgramForms()) {
    EXPECT_EQ(UndesignedNames(entry), std::vector<std::string>{}) << entry.design->name;
  }
  // A misspelt name or another element of an array is caught, for every kind of event.
  constexpr ControlRoute clicks[] = {{{"Command1", 2}}, {{"Command1", 1}}, {{"Comand2", 1}}};
  constexpr MenuRoute menus[] = {{{"copy"}}, {{"allcopy "}}, {{"tofiles"}}};
  constexpr ControlRoute focus[] = {{{"MovingText1"}}, {{"MovingText"}}};
  constexpr MouseRoute mouse[] = {{{"Text1"}}, {{"Text1", 0}}};
  const FormHandlers misspelt{nullptr, clicks, menus, focus, mouse};
  EXPECT_EQ(UndesignedNames(FormEntry{&Form1Design(), &misspelt}),
            (std::vector<std::string>{"Command1(1)", "Comand2(1)", "MovingText", "Text1(0)",
                                      "allcopy "}));
}

TEST(Routes, AnEventIsAnsweredOnlyForTheExactControlOrItem) {
  Harness h;
  ASSERT_TRUE(h.Start());
  h.ClearLog();
  ASSERT_TRUE(h.Run([&] {
    h.app.Click(FormId::Form1, {"Command1", 1});  // another element than the Test button
    h.app.Click(FormId::Form1, {"Command1"});
    h.app.GotFocus(FormId::Form1, {"MovingText1", 0});
    h.app.MenuClick(FormId::Form1, "Readme");
  }));
  EXPECT_TRUE(h.host.log.empty());
  EXPECT_TRUE(h.waveOut.log.empty());
  EXPECT_TRUE(h.shell.uris.empty());
}

#ifndef NDEBUG
TEST(Routes, ADebugBuildRefusesToStartWithAHandlerForAnUndesignedName) {
  static constexpr ControlRoute clicks[] = {{{"Command4"}, [](App&, ControlRef) {}}};
  static const FormHandlers misspelt{.click = clicks};
  auto forms = ProgramForms();
  forms[static_cast<size_t>(FormId::frmreadme)].handlers = &misspelt;
  test::FakeHost host;
  test::FakeWaveOut waveOut;
  test::FakeWindowMenu windowMenu(host);
  test::FakeShell shell;
  const auto gbk = MakeGbkCodec();
  App app(host, Services{waveOut, windowMenu, shell, *gbk}, forms);
  host.app = &app;
  EXPECT_THROW(app.Start(), ProcessEnded);
  ASSERT_EQ(host.Count("ShowErrorBox"), 1u);
  EXPECT_NE(host.Calls("ShowErrorBox")[0].find("frmreadme 的设计中没有 Command4"),
            std::string::npos)
      << host.Calls("ShowErrorBox")[0];
  EXPECT_EQ(host.Count("CreateForm"), 0u);
}
#endif

TEST(Properties, FontSizeIsForTextBoxesAndLabelsAboveZeroUpTo2048Points) {
  Harness h;
  ASSERT_TRUE(h.Start());
  h.app.Load(FormId::frmAbout);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    FormId form;
    ControlRef control;
    float points;
    std::string error;  // empty: the host applies it
  };
  const Case cases[] = {
      {FormId::Form1, {"Text1"}, 11.0f, ""},
      {FormId::Form1, {"Text1"}, 0.25f, ""},
      {FormId::Form1, {"Text1"}, 2048.0f, ""},
      {FormId::frmAbout, {"Label2"}, 9.75f, ""},
      {FormId::Form1, {"Text1"}, 0.0f, "无效的属性值：FontSize"},
      {FormId::Form1, {"Text1"}, -9.0f, "无效的属性值：FontSize"},
      {FormId::Form1, {"Text1"}, 2048.25f, "无效的属性值：FontSize"},
      {FormId::Form1, {"Text1"}, nan, "无效的属性值：FontSize"},
      {FormId::Form1, {"Command1", 2}, 11.0f, "对象不支持该属性或方法：Command1(2).FontSize"},
      {FormId::frmAbout, {"MovingText1"}, 11.0f, "对象不支持该属性或方法：MovingText1.FontSize"},
      {FormId::frmAbout, {"picIcon"}, 11.0f, "对象不支持该属性或方法：picIcon.FontSize"},
      {FormId::Form1, {"Command1", 0}, 11.0f, "找不到控件：Command1(0)"},
      {FormId::frmreadme, {"Text1"}, 9.0f, "窗体未加载：frmreadme"},
  };
  for (const Case& c : cases) {
    h.ClearLog();
    std::string error;
    try {
      h.app.SetFontSize(c.form, c.control, c.points);
    } catch (const Error& e) {
      error = e.what();
    }
    EXPECT_EQ(error, c.error) << ControlKey(c.control) << " " << c.points;
    EXPECT_EQ(h.host.Count("SetFontSize"), c.error.empty() ? 1u : 0u) << ControlKey(c.control);
  }
}

TEST(UnhandledError, IsReportedInChineseThenTheProcessEnds) {
  Harness h;
  ASSERT_TRUE(h.Start());
  h.host.failOn = "SetText";
  EXPECT_FALSE(h.ClickTest());
  const auto errors = h.host.Calls("ShowErrorBox");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("运行时错误"), std::string::npos);
  EXPECT_NE(errors[0].find("调用失败：SetText Text1"), std::string::npos);
  EXPECT_EQ(h.host.log.back(), "EndProcess");
  // The handler was abandoned at the failing write: no dialog, no focus change.
  EXPECT_EQ(h.host.Count("MessageBox"), 0u);
  EXPECT_EQ(h.host.Count("SetFocus"), 0u);
}

TEST(UnhandledError, AFailingLoadHandlerEndsTheStart) {
  Harness h;
  h.host.failOn = "PrevInstance";
  EXPECT_FALSE(h.Start());
  EXPECT_EQ(h.host.Count("ShowErrorBox"), 1u);
  EXPECT_EQ(h.host.Count("ShowForm"), 0u);
}

TEST(UnhandledError, AFailingErrorBoxStillEndsTheProcess) {
  Harness h;
  ASSERT_TRUE(h.Start());
  h.waveOut.numDevs = 0;
  h.host.failOn = "S";  // the no-device write fails, and so does the error box
  EXPECT_FALSE(h.ClickTest());
  EXPECT_EQ(h.host.Count("ShowErrorBox"), 1u);
  EXPECT_EQ(h.host.log.back(), "EndProcess");
}

}  // namespace
}  // namespace tivrel
