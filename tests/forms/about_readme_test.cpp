// The About and read-me windows' handlers.
#include <gtest/gtest.h>

#include "app/author.h"
#include "forms/program.h"
#include "support/harness.h"

namespace tivrel {
namespace {

using test::Harness;

TEST(AboutWindow, LoadBeepsOnceAndRemovesTheCloseCommandFromItsOwnWindowMenu) {
  Harness h;
  ASSERT_TRUE(h.Start());
  ASSERT_TRUE(h.Run([&] { h.app.Click(FormId::Form1, form1::kCommand2); }));
  EXPECT_EQ(h.host.Count("Beep"), 1u);
  EXPECT_EQ(h.host.Count("RemoveCloseCommand frmAbout"), 1u);
  EXPECT_TRUE(h.shell.uris.empty()) << "opening the window asks the shell nothing";

  // Every opening is a new window: one more beep, Close removed again.
  ASSERT_TRUE(h.Run([&] { h.app.Click(FormId::frmAbout, about::kCommand3); }));
  ASSERT_TRUE(h.Run([&] { h.app.MenuClick(FormId::Form1, "gyll"); }));
  EXPECT_EQ(h.host.Count("Beep"), 2u);
  EXPECT_EQ(h.host.Count("RemoveCloseCommand frmAbout"), 2u);
  EXPECT_EQ(h.host.created[static_cast<int>(FormId::frmAbout)], 2);
}

TEST(AboutWindow, ContactLineAsksTheShellForTheSameAddressAsTheMainWindow) {
  Harness h;
  ASSERT_TRUE(h.Start());
  ASSERT_TRUE(h.Run([&] { h.app.GotFocus(FormId::Form1, form1::kMovingText1); }));
  ASSERT_TRUE(h.Run([&] { h.app.Click(FormId::Form1, form1::kCommand2); }));
  ASSERT_TRUE(h.Run([&] { h.app.GotFocus(FormId::frmAbout, about::kMovingText1); }));
  ASSERT_EQ(h.shell.uris.size(), 2u);
  EXPECT_EQ(h.shell.uris[1], h.shell.uris[0]);
}

TEST(AboutWindow, AFailingWindowMenuCallIsAnUnhandledError) {
  Harness h;
  ASSERT_TRUE(h.Start());
  h.host.failOn = "RemoveCloseCommand";  // user32 or its function missing
  EXPECT_FALSE(h.Run([&] { h.app.Click(FormId::Form1, form1::kCommand2); }));
  EXPECT_EQ(h.host.Count("ShowErrorBox"), 1u);
  EXPECT_EQ(h.host.Count("ShowForm frmAbout"), 0u);
}

}  // namespace
}  // namespace tivrel
