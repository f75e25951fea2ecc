// The About and read-me windows' handlers.
#include <gtest/gtest.h>

#include "app/author.h"
#include "program.h"
#include "support/harness.h"

namespace tivrel {
namespace {

using test::Harness;

TEST(AboutWindow, LoadBeepsOnceAndRemovesTheCloseCommandFromItsOwnWindowMenu) {
  Harness h;
  ASSERT_TRUE(h.Start());
  ASSERT_TRUE(h.Run([&] { h.app.Click(FormId::Form1, "Command2", 1); }));
  EXPECT_EQ(h.host.Count("Beep"), 1u);
  const uintptr_t about = 0x1000 + static_cast<uintptr_t>(FormId::frmAbout);
  EXPECT_EQ(h.user32.log, (std::vector<std::string>{
                              "GetSystemMenu " + std::to_string(about) + " 0",
                              "RemoveMenu " + std::to_string(about + 0x500) + " 61536 4096"}));
  EXPECT_TRUE(h.shell32.calls.empty()) << "opening the window asks the shell nothing";

  // Every opening is a new window: one more beep, Close removed again.
  ASSERT_TRUE(h.Run([&] { h.app.Click(FormId::frmAbout, "Command3", kNoIndex); }));
  ASSERT_TRUE(h.Run([&] { h.app.MenuClick(FormId::Form1, "gyll"); }));
  EXPECT_EQ(h.host.Count("Beep"), 2u);
  EXPECT_EQ(h.user32.log.size(), 4u);
  EXPECT_EQ(h.host.created[static_cast<int>(FormId::frmAbout)], 2);
}

TEST(AboutWindow, ContactLineAsksTheShellForTheSameAddressAsTheMainWindow) {
  Harness h;
  ASSERT_TRUE(h.Start());
  ASSERT_TRUE(h.Run([&] { h.app.GotFocus(FormId::Form1, "MovingText1"); }));
  ASSERT_TRUE(h.Run([&] { h.app.Click(FormId::Form1, "Command2", 1); }));
  ASSERT_TRUE(h.Run([&] { h.app.GotFocus(FormId::frmAbout, "MovingText1"); }));
  ASSERT_EQ(h.shell32.calls.size(), 2u);
  EXPECT_EQ(h.shell32.calls[1].file, h.shell32.calls[0].file);
  EXPECT_EQ(h.shell32.calls[1].show, 0);
}

TEST(AboutWindow, AFailingUser32CallIsAnUnhandledError) {
  struct MissingUser32 : test::FakeUser32 {
    uintptr_t GetSystemMenu(uintptr_t, int32_t) override {
      throw Error("找不到 user32 中的 GetSystemMenu");
    }
  } user32;
  test::FakeHost host;
  test::FakeWaveOut waveOut;
  test::FakeShell32 shell32;
  auto gbk = MakeGbkCodec();
  App app(host, Services{waveOut, user32, shell32, *gbk}, ProgramForms());
  host.app = &app;
  app.Start();
  EXPECT_THROW(app.Click(FormId::Form1, "Command2", 1), ProcessEnded);
  EXPECT_EQ(host.Count("ShowErrorBox"), 1u);
  EXPECT_EQ(host.Count("ShowForm frmAbout"), 0u);
}

}  // namespace
}  // namespace tivrel
