// The program's own handlers on the Win32 framework: start-up, Test, the
// report menu and clipboard, the window swaps, closing, single instance.
#include <cmath>
#include <functional>
#include <optional>
#include <thread>

#include "forms/form1.h"
#include "gui_fixture.h"
#include "platform/win32/hosted_controls.h"
#include "probe/report_text.h"

namespace tivrel::win32::test {
namespace {

class ProgramTest : public GuiTest {
 protected:
  void Start() {
    UseProgram();
    app->Start();
    Pump();
  }
  bool Ended(const std::function<void()>& event) {
    try {
      event();
      return false;
    } catch (const ProcessEnded&) {
      return true;
    }
  }
  std::optional<std::wstring> ClipboardUnicode() {
    if (!OpenClipboard(nullptr)) return std::nullopt;
    std::optional<std::wstring> out;
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
      out = static_cast<const wchar_t*>(GlobalLock(h));
      GlobalUnlock(h);
    }
    CloseClipboard();
    return out;
  }
  std::optional<std::string> ClipboardAnsi() {
    if (!OpenClipboard(nullptr)) return std::nullopt;
    std::optional<std::string> out;
    if (HANDLE h = GetClipboardData(CF_TEXT)) {
      out = static_cast<const char*>(GlobalLock(h));
      GlobalUnlock(h);
    }
    CloseClipboard();
    return out;
  }
  static std::string Acp(const std::wstring& w) {
    const int n = WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n > 0 ? n - 1 : 0));
    return out;
  }
  void PutOnClipboard(const std::wstring& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    memcpy(GlobalLock(h), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(h);
    SetClipboardData(CF_UNICODETEXT, h);
    CloseClipboard();
  }
};

// Another program holds the clipboard open until told to let go.
class ClipboardHolder {
 public:
  ClipboardHolder() {
    opened_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    release_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this] {
      const BOOL ok = OpenClipboard(nullptr);
      SetEvent(opened_);
      WaitForSingleObject(release_, 10000);
      if (ok) CloseClipboard();
    });
    WaitForSingleObject(opened_, 5000);
  }
  ~ClipboardHolder() {
    SetEvent(release_);
    thread_.join();
    CloseHandle(opened_);
    CloseHandle(release_);
  }

 private:
  HANDLE opened_, release_;
  std::thread thread_;
};

TEST_F(ProgramTest, StartShowsAnEmptyMainWindowWithTheTestButtonFocused) {
  Start();
  ASSERT_NE(host->Find(FormId::Form1), nullptr);
  EXPECT_TRUE(IsWindowVisible(Window(FormId::Form1)));
  EXPECT_EQ(host->GetText(FormId::Form1, {"Text1"}), u"");
  EXPECT_EQ(FocusName(), "Command1(2)");
  EXPECT_TRUE(watcher->seen.empty()) << "no dialog for the first instance";
  EXPECT_EQ(host->Find(FormId::frmAbout), nullptr);
}

TEST_F(ProgramTest, TestWritesTheReportThanksAndPutsTheFocusInTheReport) {
  waveOut.numDevs = 0;
  Start();
  LeftClick(Ctl(FormId::Form1, "Command1", 2));
  Pump();
  EXPECT_EQ(host->GetText(FormId::Form1, {"Text1"}), std::u16string(kNoDeviceMessage));
  ASSERT_EQ(watcher->seen.size(), 1u);
  EXPECT_EQ(watcher->seen[0], "dialog ^_^ | 测试完成！ | owner Form1");
  EXPECT_EQ(GetFocus(), Ctl(FormId::Form1, "Text1"));
  const HWND test = Ctl(FormId::Form1, "Command1", 2);
  EXPECT_EQ(SendMessageW(test, kMsgGetFlag, 0, 0), 0);
  EXPECT_TRUE(IsWindowEnabled(test)) << "Test stays pressable";
  LeftClick(test);
  Pump();
  EXPECT_EQ(watcher->seen.size(), 2u);
}

TEST_F(ProgramTest, RightClickCopiesTheWholeReportAsUnicodeAndAnsiText) {
  Start();
  const std::u16string report = u"产品名称：Wine Sound\r\n输出声道： 2\r\n";
  host->SetText(FormId::Form1, {"Text1"}, report);
  const HWND edit = Ctl(FormId::Form1, "Text1");
  ::SetFocus(edit);
  watcher->answerMenus = false;
  // A right-click; then Shift+F10 or the menu key, which Windows hands the
  // box as a context-menu request without a position.
  for (const UINT trigger : {WM_RBUTTONDOWN, WM_CONTEXTMENU}) {
    PutOnClipboard(L"earlier");
    PostMessageW(edit, WM_KEYDOWN, VK_DOWN, 1);
    PostMessageW(edit, WM_KEYDOWN, VK_DOWN, 1);
    PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
    if (trigger == WM_RBUTTONDOWN) {
      SendMessageW(edit, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(4, 4));
    } else {
      SendMessageW(edit, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(edit), -1);
    }
    Pump();
    const std::wstring expected(report.begin(), report.end());
    EXPECT_EQ(ClipboardUnicode(), expected) << trigger;
    // 8-bit readers get the system's ANSI code page.
    EXPECT_EQ(ClipboardAnsi(), Acp(expected));
    EXPECT_TRUE(IsWindowEnabled(edit));
    EXPECT_EQ(GetFocus(), edit) << "the off-and-on keeps the focus";
  }
}

TEST_F(ProgramTest, CopyOfAnEmptySelectionLeavesAnEmptyClipboard) {
  Start();
  PutOnClipboard(L"earlier");
  host->SetText(FormId::Form1, {"Text1"}, u"报告\r\n");
  app->MenuClick(FormId::Form1, "copy");
  EXPECT_EQ(ClipboardUnicode().value_or(L"(none)"), L"");
  SendMessageW(Ctl(FormId::Form1, "Text1"), EM_SETSEL, 0, 2);
  app->MenuClick(FormId::Form1, "copy");
  EXPECT_EQ(ClipboardUnicode(), L"报告");
}

TEST_F(ProgramTest, ClipboardHeldByAnotherProgramIsBusy) {
  Start();
  {
    ClipboardHolder holder;
    const DWORD started = GetTickCount();
    EXPECT_THROW(host->ClipboardClear(), ClipboardBusy);
    EXPECT_GE(GetTickCount() - started, 150u) << "it waited a little first";
    EXPECT_THROW(host->ClipboardSetText(u"x"), ClipboardBusy);
    // The program tells the user and goes on.
    app->MenuClick(FormId::Form1, "allcopy");
    ASSERT_EQ(watcher->seen.size(), 1u);
    EXPECT_EQ(watcher->seen[0],
              "dialog 系统提示 | 剪贴板正被其他程序占用，未能复制。请稍后再试。 | owner Form1");
  }
  host->ClipboardClear();
  host->ClipboardSetText(u"岚铃");
  EXPECT_EQ(ClipboardUnicode(), L"岚铃");
}

TEST_F(ProgramTest, FontSizeMenuItemsFromTheMenuBar) {
  Start();
  const HWND w = Window(FormId::Form1);
  const HMENU size = GetSubMenu(GetSubMenu(GetMenu(w), 0), 0);
  auto height = [&] {
    LOGFONTW lf{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Ctl(FormId::Form1, "Text1"), WM_GETFONT, 0, 0)),
               sizeof lf, &lf);
    return lf.lfHeight;
  };
  SendMessageW(w, WM_COMMAND, MAKEWPARAM(GetMenuItemID(size, 0), 0), 0);  // 大
  EXPECT_EQ(height(), -std::lround(11.0 * host->dpi() / 72));
  SendMessageW(w, WM_COMMAND, MAKEWPARAM(GetMenuItemID(size, 2), 0), 0);  // 小(默认)
  EXPECT_EQ(height(), -std::lround(9.0 * host->dpi() / 72));
}

TEST_F(ProgramTest, AboutReplacesTheMainWindowAndCannotBeClosed) {
  Start();
  LeftClick(Ctl(FormId::Form1, "Command2", 1));
  Pump();
  EXPECT_EQ(host->Find(FormId::Form1), nullptr);
  ASSERT_NE(host->Find(FormId::frmAbout), nullptr);
  const HWND about = Window(FormId::frmAbout);
  EXPECT_TRUE(IsWindowVisible(about));
  EXPECT_EQ(FocusName(), "Command3");
  // The load handler took Close out of the window menu, for real.
  EXPECT_EQ(GetMenuState(GetSystemMenu(about, FALSE), SC_CLOSE, MF_BYCOMMAND),
            static_cast<UINT>(-1));
  SendMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0);
  SendMessageW(about, WM_CLOSE, 0, 0);
  Pump();
  EXPECT_TRUE(IsWindow(about));
  EXPECT_FALSE(quitPosted);
  // Its contact line, clicked: the shell is asked once, with show command 0.
  LeftClick(Ctl(FormId::frmAbout, "MovingText1"));
  LeftClick(Ctl(FormId::frmAbout, "MovingText1"));
  EXPECT_EQ(shell.uris, std::vector<std::string>{"mailto:lanling@example.com"});
  // Return: a new main window, the About window gone, no dialog.
  LeftClick(Ctl(FormId::frmAbout, "Command3"));
  Pump();
  EXPECT_EQ(host->Find(FormId::frmAbout), nullptr);
  ASSERT_NE(host->Find(FormId::Form1), nullptr);
  EXPECT_TRUE(IsWindowVisible(Window(FormId::Form1)));
  EXPECT_EQ(FocusName(), "Command1(2)");
  EXPECT_TRUE(watcher->seen.empty());
  EXPECT_FALSE(quitPosted);
}

TEST_F(ProgramTest, ReadmeOpensBesideAndClosingTheLastWindowEndsTheLoop) {
  Start();
  const HWND main = Window(FormId::Form1);
  const HMENU gy = GetSubMenu(GetMenu(main), 1);
  SendMessageW(main, WM_COMMAND, MAKEWPARAM(GetMenuItemID(gy, 1), 0), 0);  // 查看ReadeMe
  Pump();
  ASSERT_NE(host->Find(FormId::frmreadme), nullptr);
  EXPECT_TRUE(IsWindowVisible(Window(FormId::frmreadme)));
  EXPECT_EQ(FocusName(), "Text1");
  // The main window closed by the window system: the read-me window stays.
  SendMessageW(main, WM_CLOSE, 0, 0);
  Pump();
  EXPECT_EQ(host->Find(FormId::Form1), nullptr);
  EXPECT_FALSE(quitPosted);
  SendMessageW(Window(FormId::frmreadme), WM_CLOSE, 0, 0);
  Pump();
  EXPECT_EQ(host->Find(FormId::frmreadme), nullptr);
  EXPECT_TRUE(quitPosted);
}

TEST_F(ProgramTest, ExitThanksAndEnds) {
  Start();
  EXPECT_TRUE(Ended([&] { app->Click(FormId::Form1, form1::kCommand3); }));
  ASSERT_EQ(watcher->seen.size(), 1u);
  EXPECT_EQ(watcher->seen[0], "dialog Thanks | 感谢您的支持！ | owner Form1");
}

TEST_F(ProgramTest, ASecondInstanceIsRefusedBeforeItsWindowShows) {
  Win32HostOptions options = Options();
  auto first = std::make_unique<Win32Host>(GetModuleHandleW(nullptr), options);
  EXPECT_FALSE(first->PrevInstance());
  EXPECT_FALSE(first->PrevInstance());

  // This fixture's host plays the second process, with the same object name.
  host.reset();
  watcher->host = nullptr;
  host = std::make_unique<Win32Host>(GetModuleHandleW(nullptr), options);
  watcher->host = host.get();
  UseProgram();
  EXPECT_TRUE(Ended([&] { app->Start(); }));
  ASSERT_EQ(watcher->seen.size(), 1u);
  EXPECT_EQ(watcher->seen[0],
            "dialog 系统提示 | 本程序不允许运行多次，请关闭后再试。 | owner none");
  ASSERT_NE(host->Find(FormId::Form1), nullptr);
  EXPECT_FALSE(IsWindowVisible(Window(FormId::Form1)));
  // Asked once, answered the same for the process's life.
  EXPECT_TRUE(host->PrevInstance());
  // The refused one holds nothing: once the first has gone, a new one
  // starts although the refused one is still there, its dialog up.
  first.reset();
  Win32Host third(GetModuleHandleW(nullptr), options);
  EXPECT_FALSE(third.PrevInstance());
}

TEST_F(ProgramTest, AnErrorIsReportedInTheFrameworksBoxAndEnds) {
  Start();
  // The main window's report box has gone missing under a handler.
  DestroyWindow(Ctl(FormId::Form1, "Text1"));
  EXPECT_TRUE(Ended([&] { app->MenuClick(FormId::Form1, "big"); }));
  ASSERT_EQ(watcher->seen.size(), 1u);
  EXPECT_EQ(watcher->seen[0].rfind("dialog Tivrel | 运行时错误：", 0), 0u) << watcher->seen[0];
}

}  // namespace
}  // namespace tivrel::win32::test
