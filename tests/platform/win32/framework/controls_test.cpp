// The hosted button, the scrolling line and the report box's mouse events.
#include "controls/hosted.h"
#include "gui_fixture.h"
#include "platform/win32/hosted_controls.h"

namespace tivrel::win32::test {
namespace {

class ControlsTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    UseRecorder();
    app->Show(FormId::Form1);
    Pump();
    Events().clear();
  }
  size_t Count(const std::string& line) const {
    return static_cast<size_t>(std::count(Events().begin(), Events().end(), line));
  }
};

TEST_F(ControlsTest, OneClickPerMousePressWithTheElementIndex) {
  const HWND test = Ctl(FormId::Form1, "Command1", 2);
  LeftClick(test);
  EXPECT_EQ(Events(), std::vector<std::string>{"click Form1 Command1 2"});
  LeftClick(test);
  LeftClick(Ctl(FormId::Form1, "Command2", 1));
  LeftClick(Ctl(FormId::Form1, "Command3", 3));
  EXPECT_EQ(Events(),
            (std::vector<std::string>{"click Form1 Command1 2", "click Form1 Command1 2",
                                      "click Form1 Command2 1", "click Form1 Command3 3"}));
  EXPECT_EQ(FocusName(), "Command3(3)") << "a press takes the focus";
}

TEST_F(ControlsTest, APressReleasedOutsideTheButtonIsNoClick) {
  const HWND test = Ctl(FormId::Form1, "Command1", 2);
  SendMessageW(test, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(GetCapture(), test);
  SendMessageW(test, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(500, 500));
  SendMessageW(test, WM_LBUTTONUP, 0, MAKELPARAM(500, 500));
  EXPECT_TRUE(Events().empty());
  EXPECT_NE(GetCapture(), test);
  // Back inside before the release: a click after all.
  SendMessageW(test, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(test, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(500, 500));
  SendMessageW(test, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(6, 6));
  SendMessageW(test, WM_LBUTTONUP, 0, MAKELPARAM(6, 6));
  EXPECT_EQ(Events(), std::vector<std::string>{"click Form1 Command1 2"});
  // A release without a press here is nothing.
  SendMessageW(test, WM_LBUTTONUP, 0, MAKELPARAM(6, 6));
  EXPECT_EQ(Events().size(), 1u);
}

TEST_F(ControlsTest, SpaceAndEnterClickOncePerPress) {
  const HWND about = Ctl(FormId::Form1, "Command2", 1);
  ::SetFocus(about);
  Key(about, VK_SPACE);
  Key(about, VK_SPACE, true);  // auto-repeat while held
  Key(about, VK_SPACE, true);
  EXPECT_TRUE(Events().empty()) << "Space clicks on release";
  KeyUp(about, VK_SPACE);
  EXPECT_EQ(Events(), std::vector<std::string>{"click Form1 Command2 1"});
  Key(about, VK_RETURN);
  Key(about, VK_RETURN, true);
  KeyUp(about, VK_RETURN);
  EXPECT_EQ(Count("click Form1 Command2 1"), 2u);
  // Space let go after the focus left: no click.
  Key(about, VK_SPACE);
  ::SetFocus(Ctl(FormId::Form1, "Text1"));
  KeyUp(about, VK_SPACE);
  EXPECT_EQ(Count("click Form1 Command2 1"), 2u);
}

TEST_F(ControlsTest, TheBooleanPropertyNeverDisablesTheButton) {
  const HWND test = Ctl(FormId::Form1, "Command1", 2);
  EXPECT_EQ(SendMessageW(test, kMsgGetFlag, 0, 0), tivrel::kButtonFlagDefault ? 1 : 0);
  host->PutBoolProperty(FormId::Form1, {"Command1", 2}, 0x6803000F, true);
  EXPECT_EQ(SendMessageW(test, kMsgGetFlag, 0, 0), 1);
  host->PutBoolProperty(FormId::Form1, {"Command1", 2}, 0x6803000F, false);
  EXPECT_EQ(SendMessageW(test, kMsgGetFlag, 0, 0), 0);
  host->PutBoolProperty(FormId::Form1, {"Command1", 2}, 0x6803000F, false);
  EXPECT_TRUE(IsWindowEnabled(test));
  LeftClick(test);
  EXPECT_EQ(Events(), std::vector<std::string>{"click Form1 Command1 2"});
  // Buttons are named by their caption for screen readers.
  wchar_t text[32] = {};
  GetWindowTextW(Ctl(FormId::Form1, "Command3", 3), text, 32);
  EXPECT_EQ(U8(text), "  退出");
}

TEST_F(ControlsTest, ADisabledButtonIsNoClick) {
  const HWND exit = Ctl(FormId::Form1, "Command3", 3);
  host->SetEnabled(FormId::Form1, {"Command3", 3}, false);
  PostMessageW(exit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageW(exit, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  Pump();
  EXPECT_TRUE(Events().empty());
  host->SetEnabled(FormId::Form1, {"Command3", 3}, true);
  LeftClick(exit);
  EXPECT_EQ(Events(), std::vector<std::string>{"click Form1 Command3 3"});
}

TEST_F(ControlsTest, TheContactLineRaisesOneFocusEventPerArrival) {
  const HWND line = Ctl(FormId::Form1, "MovingText1");
  LeftClick(line);
  EXPECT_EQ(GetFocus(), line) << "a click gives it the focus";
  LeftClick(line);
  LeftClick(line);
  EXPECT_EQ(Events(), std::vector<std::string>{"focus Form1 MovingText1"});
  // Away and back: a new arrival.
  Tab();
  EXPECT_EQ(FocusName(), "Command1(2)");
  LeftClick(line);
  EXPECT_EQ(Count("focus Form1 MovingText1"), 2u);
  // The focus coming back with the window is no arrival.
  const HWND main = Window(FormId::Form1);
  SendMessageW(main, WM_ACTIVATE, WA_INACTIVE, 0);
  SendMessageW(main, WM_ACTIVATE, WA_ACTIVE, 0);
  Pump();
  EXPECT_EQ(GetFocus(), line);
  EXPECT_EQ(Count("focus Form1 MovingText1"), 2u);
}

TEST_F(ControlsTest, TheContactLineScrolls) {
  const HWND line = Ctl(FormId::Form1, "MovingText1");
  const LRESULT before = SendMessageW(line, kMsgGetTick, 0, 0);
  Pump(200);
  EXPECT_GT(SendMessageW(line, kMsgGetTick, 0, 0), before);
}

TEST_F(ControlsTest, ReportBoxMouseDownCarriesButtonShiftAndTwips) {
  const HWND edit = Ctl(FormId::Form1, "Text1");
  const int twips = 1440 / host->dpi();
  SendMessageW(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 20));
  SendMessageW(edit, WM_LBUTTONUP, 0, MAKELPARAM(10, 20));
  SendMessageW(edit, WM_RBUTTONDOWN, MK_RBUTTON | MK_CONTROL | MK_SHIFT, MAKELPARAM(4, 2));
  SendMessageW(edit, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(0, 0));
  EXPECT_EQ(
      Events(),
      (std::vector<std::string>{
          "mouse Form1 Text1 1 0 " + std::to_string(10 * twips) + " " + std::to_string(20 * twips),
          "mouse Form1 Text1 2 3 " + std::to_string(4 * twips) + " " + std::to_string(2 * twips),
          "mouse Form1 Text1 4 0 0 0"}));
}

TEST_F(ControlsTest, TheReportBoxOwnMenuNeverOpens) {
  const HWND edit = Ctl(FormId::Form1, "Text1");
  host->SetText(FormId::Form1, {"Text1"}, u"报告\r\n");
  SendMessageW(edit, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(edit), MAKELPARAM(400, 400));
  SendMessageW(edit, WM_RBUTTONUP, MK_RBUTTON, MAKELPARAM(4, 4));
  Pump(60);
  EXPECT_TRUE(watcher->seen.empty());
}

TEST_F(ControlsTest, ThePopUpsChoiceRunsBeforePopupMenuReturns) {
  PopupOnRightClick() = true;
  watcher->answerMenus = false;
  const HWND edit = Ctl(FormId::Form1, "Text1");
  // What the user does in the menu's modal loop: down to the second item, Enter.
  PostMessageW(edit, WM_KEYDOWN, VK_DOWN, 1);
  PostMessageW(edit, WM_KEYDOWN, VK_DOWN, 1);
  PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
  SendMessageW(edit, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(4, 4));
  EXPECT_EQ(Events(), (std::vector<std::string>{"mouse Form1 Text1 2 0 " +
                                                    std::to_string(4 * 1440 / host->dpi()) + " " +
                                                    std::to_string(4 * 1440 / host->dpi()),
                                                "menu Form1 allcopy", "popup returned"}));
}

TEST_F(ControlsTest, ADisabledItemOrEscapeChoosesNothing) {
  PopupOnRightClick() = true;
  watcher->answerMenus = false;
  host->SetMenuEnabled(FormId::Form1, "copy", false);
  host->SetMenuEnabled(FormId::Form1, "allcopy", false);
  const HWND edit = Ctl(FormId::Form1, "Text1");
  PostMessageW(edit, WM_KEYDOWN, VK_DOWN, 1);
  PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
  PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 1);
  PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 1);
  SendMessageW(edit, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(4, 4));
  Pump();
  ASSERT_EQ(Events().size(), 2u);
  EXPECT_EQ(Events()[1], "popup returned");
}

}  // namespace
}  // namespace tivrel::win32::test
