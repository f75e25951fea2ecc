// The report's right-click menu, the two copy commands and the font sizes.
#include "forms/report_menu.h"

#include <gtest/gtest.h>

#include "support/harness.h"

namespace tivrel {
namespace {

using test::Harness;

class ReportMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.Start());
    h.ClearLog();
  }
  test::FakeHost::ControlState& Box() { return h.host.Control(FormId::Form1, ControlRef{"Text1"}); }
  bool MenuEnabled(const std::string& item) {
    return h.host.forms.at(FormId::Form1).menuEnabled.at(item);
  }
  Harness h;
};

TEST_F(ReportMenu, RightClickOnAnEmptyBoxDisablesBothItemsAndTheirChoiceDoesNothing) {
  h.host.clipboard = u"earlier";
  ASSERT_TRUE(h.RightClickReport("copy"));
  EXPECT_EQ(h.host.log,
            (std::vector<std::string>{"HasFocus Text1", "SetEnabled Text1 false",
                                      "SetEnabled Text1 true", "GetText Text1",
                                      "SetMenuEnabled copy false", "SetMenuEnabled allcopy false",
                                      "PopupMenu tofiles", "PopupMenu returned"}));
  EXPECT_EQ(h.host.clipboard, u"earlier");
  ASSERT_TRUE(h.RightClickReport("allcopy"));
  EXPECT_EQ(h.host.clipboard, u"earlier");
}

TEST_F(ReportMenu, TheToggleGivesTheFocusBackOnlyToABoxThatHadIt) {
  for (const std::string had : {"Form1.Text1", "Form1.Command1(2)"}) {
    h.host.focus = had;
    h.ClearLog();
    ASSERT_TRUE(h.RightClickReport());
    EXPECT_EQ(h.host.focus, had);
    EXPECT_EQ(h.host.Count("SetFocus"), had == "Form1.Text1" ? 1u : 0u);
    EXPECT_LT(h.host.IndexOf("SetEnabled Text1 true"), h.host.IndexOf("PopupMenu tofiles"));
  }
}

TEST_F(ReportMenu, CopyRunsInsideThePopupAndPlacesTheSelectionAfterClearing) {
  Box().text = u"产品名称：X\r\n产品 Id：1\r\n";
  Box().selStart = 5;
  Box().selLength = 4;  // "X\r\n产"
  ASSERT_TRUE(h.RightClickReport("copy"));
  EXPECT_TRUE(MenuEnabled("copy"));
  EXPECT_TRUE(MenuEnabled("allcopy"));
  const size_t popup = h.host.IndexOf("PopupMenu tofiles");
  const size_t clear = h.host.IndexOf("ClipboardClear");
  const size_t read = h.host.IndexOf("GetSelText Text1");
  const size_t set = h.host.IndexOf("ClipboardSetText");
  const size_t back = h.host.IndexOf("PopupMenu returned");
  EXPECT_LT(popup, clear);
  EXPECT_LT(clear, read);
  EXPECT_LT(read, set);
  EXPECT_LT(set, back);
  EXPECT_EQ(h.host.clipboard, u"X\r\n产");
}

TEST_F(ReportMenu, CopyWithNothingSelectedEmptiesTheClipboard) {
  Box().text = u"报告\r\n";
  h.host.clipboard = u"earlier";
  ASSERT_TRUE(h.RightClickReport("copy"));
  EXPECT_EQ(h.host.clipboard, u"");
}

TEST_F(ReportMenu, CopyAllTakesTheWholeTextWithItsLineEndsWhateverIsSelected) {
  Box().text = u"产品名称：X\r\n支持格式列表及扩展输出功能列表：\r\n";
  Box().selStart = 0;
  Box().selLength = 2;
  ASSERT_TRUE(h.RightClickReport("allcopy"));
  EXPECT_EQ(h.host.clipboard, Box().text);
}

TEST_F(ReportMenu, TheNoDeviceMessageCountsAsText) {
  h.waveOut.numDevs = 0;
  ASSERT_TRUE(h.ClickTest());
  ASSERT_TRUE(h.RightClickReport());
  EXPECT_TRUE(MenuEnabled("copy"));
  EXPECT_TRUE(MenuEnabled("allcopy"));
}

TEST_F(ReportMenu, OtherButtonsDoNothingAndModifiersDoNotMatter) {
  Box().text = u"x";
  ASSERT_TRUE(h.RightClickReport());
  h.ClearLog();
  for (int16_t button : {1, 4, 3}) {
    ASSERT_TRUE(h.Run([&] { h.app.MouseDown(FormId::Form1, form1::kText1, button, 0, 1, 1); }));
  }
  EXPECT_TRUE(h.host.log.empty());
  EXPECT_TRUE(MenuEnabled("copy")) << "the last right-click's state stays";

  for (int16_t shift : {1, 2, 4, 7}) {
    h.ClearLog();
    ASSERT_TRUE(h.Run([&] { h.app.MouseDown(FormId::Form1, form1::kText1, 2, shift, 1, 1); }));
    EXPECT_EQ(h.host.Count("PopupMenu tofiles"), 1u);
  }
}

TEST_F(ReportMenu, ABusyClipboardIsToldAndTheProgramGoesOn) {
  Box().text = u"报告\r\n";
  h.host.clipboardBusyCalls = 1;
  ASSERT_TRUE(h.RightClickReport("allcopy"));
  EXPECT_EQ(
      h.host.Count("MessageBox 剪贴板正被其他程序占用，未能复制。请稍后再试。 | 系统提示 | 64"),
      1u);
  EXPECT_EQ(h.host.Count("ShowErrorBox"), 0u);
  EXPECT_EQ(h.host.Count("EndProcess"), 0u);
  EXPECT_EQ(Box().text, u"报告\r\n");
  // Busy at the set, after a clear that went through: the clipboard is empty.
  h.host.clipboard = u"earlier";
  h.host.clipboardOkCalls = 1;
  h.host.clipboardBusyCalls = 1;
  ASSERT_TRUE(h.RightClickReport("copy"));
  EXPECT_EQ(h.host.Count("MessageBox 剪贴板"), 2u);
  EXPECT_FALSE(h.host.clipboard.has_value());
  // Once the other program lets go, copying works again.
  ASSERT_TRUE(h.RightClickReport("allcopy"));
  EXPECT_EQ(h.host.clipboard, u"报告\r\n");
}

TEST_F(ReportMenu, OtherClipboardFailuresStillEndTheProgram) {
  Box().text = u"x";
  h.host.failOn = "ClipboardSetText";
  EXPECT_FALSE(h.RightClickReport("allcopy"));
  EXPECT_EQ(h.host.Count("ShowErrorBox"), 1u);
}

TEST_F(ReportMenu, FontSizesAreElevenTenNine) {
  ASSERT_TRUE(h.Menu(FormId::Form1, "big"));
  EXPECT_EQ(Box().fontSize, 11.0f);
  ASSERT_TRUE(h.Menu(FormId::Form1, "mid"));
  EXPECT_EQ(Box().fontSize, 10.0f);
  ASSERT_TRUE(h.Menu(FormId::Form1, "small"));
  EXPECT_EQ(Box().fontSize, 9.0f);
  ASSERT_TRUE(h.Menu(FormId::Form1, "small"));
  EXPECT_EQ(h.host.log, (std::vector<std::string>{"SetFontSize Text1 11", "SetFontSize Text1 10",
                                                  "SetFontSize Text1 9", "SetFontSize Text1 9"}));
}

}  // namespace
}  // namespace tivrel
