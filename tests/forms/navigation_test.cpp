// Start-up, the single-instance guard and the commands that lead away from
// the report: About, Exit, Read-me and the contact line.
#include <gtest/gtest.h>

#include "app/author.h"
#include "forms/form1.h"
#include "support/harness.h"

namespace tivrel {
namespace {

using test::Harness;

TEST(Guard, ASecondInstanceIsRefusedBeforeItsWindowIsEverShown) {
  Harness h;
  h.host.prevInstance = true;
  EXPECT_FALSE(h.Start());
  EXPECT_EQ(h.host.log,
            (std::vector<std::string>{
                "CreateForm Form1", "PrevInstance",
                "MessageBox 本程序不允许运行多次，请关闭后再试。 | 系统提示 | 64", "EndProcess"}));
}

TEST(Guard, RunsAgainOnEveryNewMainWindowAndStaysQuietInTheFirstInstance) {
  Harness h;
  ASSERT_TRUE(h.Start());
  ASSERT_TRUE(h.Run([&] { h.app.Click(FormId::Form1, form1::kCommand2); }));
  ASSERT_TRUE(h.Run([&] { h.app.Click(FormId::frmAbout, about::kCommand3); }));
  EXPECT_EQ(h.host.prevInstanceAsked, 2);
  EXPECT_EQ(h.host.Count("MessageBox"), 0u);
  EXPECT_TRUE(h.app.IsLoaded(FormId::Form1));
}

class Navigation : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.Start());
    h.ClearLog();
  }
  Harness h;
};

TEST_F(Navigation, AboutLoadsAndShowsTheAboutWindowBeforeUnloadingTheMainWindow) {
  for (bool viaMenu : {false, true}) {
    Harness fresh;
    ASSERT_TRUE(fresh.Start());
    fresh.ClearLog();
    ASSERT_TRUE(fresh.Run([&] {
      if (viaMenu) {
        fresh.app.MenuClick(FormId::Form1, "gyll");
      } else {
        fresh.app.Click(FormId::Form1, form1::kCommand2);
      }
    }));
    EXPECT_EQ(fresh.host.log, (std::vector<std::string>{"CreateForm frmAbout", "Beep",
                                                        "RemoveCloseCommand frmAbout",
                                                        "ShowForm frmAbout", "DestroyForm Form1"}))
        << (viaMenu ? "gyll" : "Command2");
    EXPECT_FALSE(fresh.host.loopQuit) << "a window stays loaded through the swap";
    EXPECT_FALSE(fresh.app.IsLoaded(FormId::Form1));
  }
}

TEST_F(Navigation, ReturningFromAboutGivesANewMainWindowFromItsDesign) {
  h.host.Text(FormId::Form1) = u"old report";
  ASSERT_TRUE(h.Menu(FormId::Form1, "big"));
  ASSERT_TRUE(h.Run([&] { h.app.Click(FormId::Form1, form1::kCommand2); }));
  h.ClearLog();
  ASSERT_TRUE(h.Run([&] { h.app.Click(FormId::frmAbout, about::kCommand3); }));
  EXPECT_EQ(h.host.log, (std::vector<std::string>{"CreateForm Form1", "PrevInstance",
                                                  "ShowForm Form1", "DestroyForm frmAbout"}));
  EXPECT_EQ(h.host.Text(FormId::Form1), u"");
  EXPECT_EQ(h.host.Control(FormId::Form1, ControlRef{"Text1"}).fontSize, 9.0f);
  EXPECT_TRUE(h.host.forms.at(FormId::Form1).menuEnabled.at("copy"));
  EXPECT_FALSE(h.host.loopQuit);
}

TEST_F(Navigation, TheReadMeWindowStaysThroughAboutAndBack) {
  ASSERT_TRUE(h.Menu(FormId::Form1, "readme"));
  ASSERT_TRUE(h.Run([&] { h.app.Click(FormId::Form1, form1::kCommand2); }));
  EXPECT_TRUE(h.app.IsLoaded(FormId::frmreadme));
  ASSERT_TRUE(h.Run([&] { h.app.Click(FormId::frmAbout, about::kCommand3); }));
  EXPECT_TRUE(h.app.IsLoaded(FormId::frmreadme));
  EXPECT_EQ(h.host.created[static_cast<int>(FormId::frmreadme)], 1);
}

TEST_F(Navigation, ExitThanksThenEndsAtOnceWithEveryWindow) {
  ASSERT_TRUE(h.Menu(FormId::Form1, "readme"));
  h.ClearLog();
  EXPECT_FALSE(h.Run([&] { h.app.Click(FormId::Form1, form1::kCommand3); }));
  EXPECT_EQ(h.host.log,
            (std::vector<std::string>{"MessageBox 感谢您的支持！ | Thanks | 64", "EndProcess"}));
}

TEST_F(Navigation, ReadMeOpensOnceAndIsShownAgainWithoutAnotherBeep) {
  ASSERT_TRUE(h.Menu(FormId::Form1, "readme"));
  ASSERT_TRUE(h.Menu(FormId::Form1, "readme"));
  EXPECT_EQ(h.host.log, (std::vector<std::string>{"CreateForm frmreadme", "Beep",
                                                  "ShowForm frmreadme", "ShowForm frmreadme"}));
  h.app.UserClose(FormId::frmreadme);
  ASSERT_TRUE(h.Menu(FormId::Form1, "readme"));
  EXPECT_EQ(h.host.Count("Beep"), 2u);
  EXPECT_TRUE(h.app.IsLoaded(FormId::Form1));
}

TEST_F(Navigation, EachFocusArrivalAtTheContactLineAsksTheShellOnce) {
  ASSERT_TRUE(h.Run([&] { h.app.GotFocus(FormId::Form1, form1::kMovingText1); }));
  ASSERT_TRUE(h.Run([&] { h.app.GotFocus(FormId::Form1, form1::kMovingText1); }));
  EXPECT_EQ(h.shell.uris, (std::vector<std::string>(2, "mailto:" + test::U8(kAuthorEmail))));
  EXPECT_TRUE(h.host.log.empty()) << "nothing shown and the focus is not moved";
}

TEST_F(Navigation, EventsWithoutAHandlerAreUnanswered) {
  ASSERT_TRUE(h.Run([&] {
    h.app.MenuClick(FormId::Form1, "tofiles");
    h.app.MenuClick(FormId::Form1, "edit");
    h.app.GotFocus(FormId::Form1, form1::kText1);
    h.app.MouseDown(FormId::Form1, form1::kCommand1, 2, 0, 0, 0);
  }));
  EXPECT_TRUE(h.host.log.empty());
}

}  // namespace
}  // namespace tivrel
