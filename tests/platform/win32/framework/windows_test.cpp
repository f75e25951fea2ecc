// Windows, menus and text boxes as the designs describe them.
// windows.h (through the fixture) must come before commctrl.h.
// clang-format off
#include "gui_fixture.h"
#include <commctrl.h>
// clang-format on

#include <cmath>
#include <utility>

#include "platform/win32/common_controls.h"
#include "platform/win32/window_list.h"

namespace tivrel::win32::test {
namespace {

std::wstring MenuText(HMENU menu, UINT position) {
  wchar_t buf[128] = {};
  GetMenuStringW(menu, position, buf, 128, MF_BYPOSITION);
  return buf;
}

// Every caption in a menu tree, depth first.
void Captions(HMENU menu, std::vector<std::wstring>& out) {
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    out.push_back(MenuText(menu, static_cast<UINT>(i)));
    if (HMENU sub = GetSubMenu(menu, i)) Captions(sub, out);
  }
}

LOGFONTW FontOf(HWND control) {
  LOGFONTW lf{};
  const HFONT f = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  GetObjectW(f, sizeof lf, &lf);
  return lf;
}

int PixelHeight(float points, int dpi) {
  return -static_cast<int>(std::lround(points * static_cast<float>(dpi) / 72.0f));
}

using WindowsTest = GuiTest;

TEST_F(WindowsTest, MainWindowHasTheDesignedClientAreaBorderAndPlace) {
  host->CreateForm(Form1Design());
  const HWND w = Window(FormId::Form1);
  const int dpi = host->dpi();
  RECT client;
  GetClientRect(w, &client);
  EXPECT_EQ(client.right, TwipsToPixels(4680, dpi));
  EXPECT_EQ(client.bottom, TwipsToPixels(5340, dpi));
  POINT origin{0, 0};
  ClientToScreen(w, &origin);
  EXPECT_EQ(origin.x, TwipsToPixels(5025, dpi));
  EXPECT_EQ(origin.y, TwipsToPixels(3315, dpi));

  const LONG style = GetWindowLongW(w, GWL_STYLE);
  const LONG ex = GetWindowLongW(w, GWL_EXSTYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_THICKFRAME) << "the user cannot resize it";
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_MINIMIZEBOX);
  EXPECT_TRUE(ex & WS_EX_APPWINDOW) << "taskbar button";
  EXPECT_EQ(GetWindow(w, GW_OWNER), nullptr);
  EXPECT_FALSE(IsWindowVisible(w)) << "created hidden: Show makes it visible";
  wchar_t caption[128] = {};
  GetWindowTextW(w, caption, 128);
  EXPECT_EQ(U8(caption), "岚铃声卡测试仪 Build0730修正版");
  EXPECT_NE(SendMessageW(w, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageW(w, WM_GETICON, ICON_SMALL, 0), 0);
}

TEST_F(WindowsTest, AboutWindowIsAFixedDialogWithoutTaskbarButton) {
  host->CreateForm(AboutDesign());
  const HWND w = Window(FormId::frmAbout);
  RECT client;
  GetClientRect(w, &client);
  EXPECT_EQ(client.right, TwipsToPixels(5550, host->dpi()));
  EXPECT_EQ(client.bottom, TwipsToPixels(1875, host->dpi()));
  const LONG style = GetWindowLongW(w, GWL_STYLE);
  const LONG ex = GetWindowLongW(w, GWL_EXSTYLE);
  EXPECT_TRUE(ex & WS_EX_DLGMODALFRAME);
  EXPECT_FALSE(ex & WS_EX_APPWINDOW);
  EXPECT_FALSE(ex & WS_EX_TOOLWINDOW) << "it keeps a normal caption";
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX));
  // Owned by a window that is never shown: no taskbar button.
  const HWND owner = GetWindow(w, GW_OWNER);
  ASSERT_NE(owner, nullptr);
  EXPECT_EQ(owner, host->OwnerWindow());
  EXPECT_FALSE(IsWindowVisible(owner));
  EXPECT_EQ(GetMenu(w), nullptr);
}

TEST_F(WindowsTest, AboutLabelsRuleAndPicture) {
  host->CreateForm(AboutDesign());
  host->ShowForm(FormId::frmAbout);
  const int dpi = host->dpi();
  const LOGFONTW title = FontOf(Ctl(FormId::frmAbout, "Label1"));
  EXPECT_EQ(title.lfWeight, 700);
  EXPECT_EQ(title.lfCharSet, GB2312_CHARSET);
  const std::wstring face = title.lfFaceName;
  EXPECT_TRUE(FaceInstalled(face)) << U8(face);
  if (FaceInstalled(L"宋体")) {
    EXPECT_EQ(face, L"宋体") << "宋体 where it is installed";
  }
  EXPECT_EQ(FontOf(Ctl(FormId::frmAbout, "Label2")).lfWeight, 400);
  // The designed sizes, made smaller only as far as the face in use needs
  // for its line to fit the label; the legal notice, designed the largest,
  // never smaller than the labels above it; no character is cut.
  const std::pair<const char*, float> designed[] = {
      {"bq", 10.5f}, {"Label1", 9.75f}, {"Label2", 9.75f}, {"Label3", 9.75f}};
  for (const auto& [name, points] : designed) {
    const HWND label = Ctl(FormId::frmAbout, name);
    const LONG height = FontOf(label).lfHeight;  // negative: the character height
    EXPECT_GE(height, PixelHeight(points, dpi)) << name;
    EXPECT_LT(height, PixelHeight(points / 2, dpi)) << name;
    RECT box;
    GetClientRect(label, &box);
    HDC dc = GetDC(label);
    const HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    wchar_t text[256] = {};
    const int length = GetWindowTextW(label, text, 256);
    SIZE extent{};
    GetTextExtentPoint32W(dc, text, length, &extent);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    EXPECT_LE(-height, box.bottom) << name;
    EXPECT_LE(extent.cx, box.right) << name;
    EXPECT_LE(FontOf(Ctl(FormId::frmAbout, "bq")).lfHeight, height) << name;
  }

  // The picture box is sized to its icon inside its sunken border.
  RECT pic;
  GetClientRect(Ctl(FormId::frmAbout, "picIcon"), &pic);
  EXPECT_EQ(pic.right, 32);
  EXPECT_EQ(pic.bottom, 32);

  // The etched rule: grey on top, the white line's second row below it.
  const HWND w = Window(FormId::frmAbout);
  RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  HDC dc = GetDC(w);
  const int y = TwipsToPixels(1200, dpi), x = TwipsToPixels(2000, dpi);
  EXPECT_EQ(GetPixel(dc, x, y), RGB(128, 128, 128));
  EXPECT_EQ(GetPixel(dc, x, y + 1), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, x, y + 2), GetSysColor(COLOR_BTNFACE));
  ReleaseDC(w, dc);
}

// Every control is made with its window, before the window is shown, and
// Show returns only when the window and all its controls are painted: what
// first appears is the complete window. The controls are common controls 6,
// as the manifest asks.
TEST_F(WindowsTest, AWindowIsMadeWholeAndShowPaintsAllOfIt) {
  for (const FormDesign* design : {&Form1Design(), &AboutDesign(), &ReadmeDesign()}) {
    SCOPED_TRACE(design->name);
    size_t designed = 0;
    for (const ControlDesign& c : design->controls) designed += c.kind != ControlKind::Line;
    host->CreateForm(*design);
    const HWND w = Window(design->id);
    std::vector<HWND> children;
    for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
    EXPECT_EQ(children.size(), designed);
    EXPECT_FALSE(IsWindowVisible(w));
    host->ShowForm(design->id);
    EXPECT_FALSE(GetUpdateRect(w, nullptr, FALSE)) << "the window waits for its paint";
    for (HWND c : children) {
      EXPECT_TRUE(IsWindowVisible(c));
      EXPECT_FALSE(GetUpdateRect(c, nullptr, FALSE))
          << "control " << GetDlgCtrlID(c) << " waits for its paint";
    }
    host->DestroyForm(design->id);
  }
  // Version 6 is the side-by-side assembly's, never the system folder's.
  wchar_t path[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(Comctl32().module, path, MAX_PATH), 0u);
  EXPECT_NE(U8(path).find("microsoft.windows.common-controls_"), std::string::npos) << U8(path);
}

TEST_F(WindowsTest, MenuBarHoldsEditAndAboutButNeverTheReportMenu) {
  host->CreateForm(Form1Design());
  const HMENU bar = GetMenu(Window(FormId::Form1));
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(GetMenuItemCount(bar), 2);
  EXPECT_EQ(U8(MenuText(bar, 0)), "编辑");
  EXPECT_EQ(U8(MenuText(bar, 1)), "关于");

  std::vector<std::wstring> all;
  Captions(bar, all);
  std::vector<std::string> utf8;
  for (const auto& c : all) utf8.push_back(U8(c));
  EXPECT_EQ(utf8, (std::vector<std::string>{"编辑", "文本字号", "大", "中", "小(默认)", "关于",
                                            "关于岚铃", "查看ReadeMe"}));

  // The report menu is a pop-up of its own.
  const HMENU tofiles = Form(FormId::Form1).Menu("tofiles");
  ASSERT_EQ(GetMenuItemCount(tofiles), 2);
  EXPECT_EQ(U8(MenuText(tofiles, 0)), "复制");
  EXPECT_EQ(U8(MenuText(tofiles, 1)), "全文复制");

  // Greying an item and a menu of the bar.
  host->SetMenuEnabled(FormId::Form1, "copy", false);
  EXPECT_TRUE(GetMenuState(tofiles, 0, MF_BYPOSITION) & MF_GRAYED);
  EXPECT_FALSE(GetMenuState(tofiles, 1, MF_BYPOSITION) & MF_GRAYED);
  host->SetMenuEnabled(FormId::Form1, "copy", true);
  EXPECT_FALSE(GetMenuState(tofiles, 0, MF_BYPOSITION) & MF_GRAYED);
  host->SetMenuEnabled(FormId::Form1, "gy", false);
  EXPECT_TRUE(GetMenuState(bar, 1, MF_BYPOSITION) & MF_GRAYED);
  EXPECT_THROW(host->SetMenuEnabled(FormId::Form1, "nosuch", false), Error);
}

// Whatever face stands in for 宋体, the read-me keeps its hand-made breaks
// (fourteen lines and the empty one after the last CR LF) and its signature
// the place that 36 blanks give it there: 18 characters in.
TEST_F(WindowsTest, ReadmeKeepsItsBreaksAndItsSignaturesPlace) {
  host->CreateForm(ReadmeDesign());
  host->ShowForm(FormId::frmreadme);
  const HWND edit = Ctl(FormId::frmreadme, "Text1");
  EXPECT_EQ(SendMessageW(edit, EM_GETLINECOUNT, 0, 0), 15);
  const auto x = [&](LRESULT at) {
    return static_cast<short>(LOWORD(SendMessageW(edit, EM_POSFROMCHAR, at, 0)));
  };
  const LRESULT signature = SendMessageW(edit, EM_LINEINDEX, 12, 0);
  HDC dc = GetDC(edit);
  const HGDIOBJ old =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0)));
  SIZE wide{};
  GetTextExtentPoint32W(dc, L"中", 1, &wide);
  SelectObject(dc, old);
  ReleaseDC(edit, dc);
  EXPECT_NEAR(x(signature + 36) - x(signature), 18 * wide.cx, 18 * wide.cx / 8)
      << U8(FontOf(edit).lfFaceName);
}

TEST_F(WindowsTest, ReportBoxesAreReadOnlyWrappingEditsOnButtonFace) {
  host->CreateForm(Form1Design());
  host->CreateForm(ReadmeDesign());
  for (FormId f : {FormId::Form1, FormId::frmreadme}) {
    SCOPED_TRACE(tivrel::FormName(f));
    const HWND edit = Ctl(f, "Text1");
    wchar_t cls[16] = {};
    GetClassNameW(edit, cls, 16);
    EXPECT_EQ(_wcsicmp(cls, L"EDIT"), 0);
    const LONG style = GetWindowLongW(edit, GWL_STYLE);
    EXPECT_TRUE(style & ES_MULTILINE);
    EXPECT_TRUE(style & ES_READONLY);
    EXPECT_TRUE(style & WS_VSCROLL);
    EXPECT_FALSE(style & WS_HSCROLL);
    EXPECT_FALSE(style & ES_AUTOHSCROLL) << "long lines wrap";
    EXPECT_TRUE(style & WS_TABSTOP);
    // Read-only edits ask for the static colours: button face.
    HDC dc = GetDC(edit);
    const LRESULT brush = SendMessageW(Window(f), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(edit));
    EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_BTNFACE));
    LOGBRUSH lb{};
    GetObjectW(reinterpret_cast<HBRUSH>(brush), sizeof lb, &lb);
    EXPECT_EQ(lb.lbColor, GetSysColor(COLOR_BTNFACE));
    ReleaseDC(edit, dc);
    const LOGFONTW lf = FontOf(edit);
    EXPECT_EQ(lf.lfHeight, PixelHeight(9.0f, host->dpi()));
    EXPECT_EQ(lf.lfCharSet, GB2312_CHARSET);
  }
  EXPECT_EQ(host->GetText(FormId::Form1, {"Text1"}), u"");
  EXPECT_EQ(host->GetText(FormId::frmreadme, {"Text1"}), ReadmeDesign().controls[0].text);
}

TEST_F(WindowsTest, TextRoundTripsExactlyWithItsLineEnds) {
  host->CreateForm(Form1Design());
  const ControlRef text1{"Text1"};
  const std::u16string report = u"产品名称：Wine Sound\r\n输出声道： 2\r\n\r\nlast\r\n";
  host->SetText(FormId::Form1, text1, report);
  EXPECT_EQ(host->GetText(FormId::Form1, text1), report);
  // Longer than an edit box lets a user type.
  std::u16string big;
  while (big.size() < 70000) big += u"支持格式列表：\r\n";
  host->SetText(FormId::Form1, text1, big);
  EXPECT_EQ(host->GetText(FormId::Form1, text1), big);
  host->SetText(FormId::Form1, text1, u"");
  EXPECT_EQ(host->GetText(FormId::Form1, text1), u"");
  // Typing changes nothing.
  SendMessageW(Ctl(FormId::Form1, "Text1"), WM_CHAR, L'x', 1);
  EXPECT_EQ(host->GetText(FormId::Form1, text1), u"");
}

TEST_F(WindowsTest, SelTextIsTheSelectedPart) {
  host->CreateForm(Form1Design());
  const ControlRef text1{"Text1"};
  const HWND edit = Ctl(FormId::Form1, "Text1");
  host->SetText(FormId::Form1, text1, u"产品ID：100\r\n驱动程序ID：1\r\n");
  EXPECT_EQ(host->GetSelText(FormId::Form1, text1), u"");
  SendMessageW(edit, EM_SETSEL, 2, 10);
  EXPECT_EQ(host->GetSelText(FormId::Form1, text1), u"ID：100\r\n");
  SendMessageW(edit, EM_SETSEL, 0, -1);
  EXPECT_EQ(host->GetSelText(FormId::Form1, text1), u"产品ID：100\r\n驱动程序ID：1\r\n");
  EXPECT_THROW(host->GetSelText(FormId::Form1, {"Command1", 2}), Error);
}

TEST_F(WindowsTest, FontSizeRecreatesTheFontAtThatSize) {
  host->CreateForm(Form1Design());
  const HWND edit = Ctl(FormId::Form1, "Text1");
  const int dpi = host->dpi();
  for (float size : {11.0f, 10.0f, 9.0f, 11.0f}) {
    host->SetFontSize(FormId::Form1, {"Text1"}, size);
    const LOGFONTW lf = FontOf(edit);
    EXPECT_EQ(lf.lfHeight, PixelHeight(size, dpi)) << size;
    EXPECT_EQ(lf.lfCharSet, GB2312_CHARSET);
    EXPECT_EQ(lf.lfWeight, 400);
  }
}

TEST_F(WindowsTest, FailingCallsThrowInChinese) {
  EXPECT_THROW(host->GetText(FormId::Form1, {"Text1"}), Error) << "not loaded";
  EXPECT_THROW(host->Handle(FormId::frmAbout), Error);
  host->CreateForm(Form1Design());
  try {
    host->GetText(FormId::Form1, {"Command1", 0});
    FAIL() << "no element 0";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "找不到控件：Command1(0)");
  }
  EXPECT_THROW(host->PutBoolProperty(FormId::Form1, {"Command1", 2}, 0x12, false), Error);
  EXPECT_THROW(host->PutBoolProperty(FormId::Form1, {"Text1"}, 0x6803000F, false), Error);
  EXPECT_THROW(host->PopupMenu(FormId::Form1, "nosuch"), Error);
  EXPECT_THROW(host->CreateForm(Form1Design()), Error) << "one instance per window";
  EXPECT_EQ(host->Handle(FormId::Form1), Form(FormId::Form1).hwnd());
}

TEST_F(WindowsTest, FirstShowFocusesTheFirstTabStopAndTabCyclesInTabOrder) {
  UseRecorder();
  app->Show(FormId::Form1);
  Pump();
  EXPECT_TRUE(IsWindowVisible(Window(FormId::Form1)));
  EXPECT_EQ(FocusName(), "Command1(2)");
  std::vector<std::string> visited;
  for (int i = 0; i < 5; ++i) {
    Tab();
    visited.push_back(FocusName());
  }
  EXPECT_EQ(visited, (std::vector<std::string>{"Command2(1)", "Command3(3)", "Text1", "Command1(2)",
                                               "Command2(1)"}));
  EXPECT_FALSE(GetWindowLongW(Ctl(FormId::Form1, "MovingText1"), GWL_STYLE) & WS_TABSTOP);
  // Tab never reaches the contact line: no focus event, no mail.
  for (const auto& e : Events()) EXPECT_EQ(e.rfind("focus", 0), std::string::npos) << e;
}

TEST_F(WindowsTest, ShiftTabGoesBackwards) {
  UseRecorder();
  app->Show(FormId::Form1);
  Pump();
  BYTE keys[256];
  GetKeyboardState(keys);
  const BYTE shift = keys[VK_SHIFT];
  keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  std::vector<std::string> visited;
  for (int i = 0; i < 4; ++i) {
    Tab();
    visited.push_back(FocusName());
  }
  keys[VK_SHIFT] = shift;
  SetKeyboardState(keys);
  EXPECT_EQ(visited,
            (std::vector<std::string>{"Text1", "Command3(3)", "Command2(1)", "Command1(2)"}));
}

TEST_F(WindowsTest, EveryControlWithATipHasItsTooltip) {
  // Tips come with the first show.
  host->CreateForm(Form1Design());
  host->CreateForm(AboutDesign());
  host->ShowForm(FormId::Form1);
  host->ShowForm(FormId::frmAbout);
  for (FormId f : {FormId::Form1, FormId::frmAbout}) {
    SCOPED_TRACE(tivrel::FormName(f));
    HWND tips = nullptr;
    for (HWND h : tivrel::test::ThreadWindows(GetCurrentThreadId())) {
      wchar_t cls[64] = {};
      GetClassNameW(h, cls, 64);
      if (_wcsicmp(cls, TOOLTIPS_CLASSW) == 0 && GetWindow(h, GW_OWNER) == Window(f)) tips = h;
    }
    ASSERT_NE(tips, nullptr);
    size_t expected = 0;
    for (const auto& c : (f == FormId::Form1 ? Form1Design() : AboutDesign()).controls) {
      if (!c.toolTip.empty()) ++expected;
    }
    EXPECT_EQ(static_cast<size_t>(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0)), expected);
    // The return button's tip, as the user reads it.
    if (f == FormId::frmAbout) {
      wchar_t text[80] = {};
      TTTOOLINFOW ti{};
      ti.cbSize = TTTOOLINFOW_V2_SIZE;
      ti.hwnd = Window(f);
      ti.uId = reinterpret_cast<UINT_PTR>(Ctl(f, "Command3"));
      ti.lpszText = text;
      SendMessageW(tips, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&ti));
      EXPECT_EQ(U8(text), "返回主界面");
    }
  }
}

TEST_F(WindowsTest, AboutAndReadmeFocusTheirFirstControl) {
  UseRecorder();
  app->Show(FormId::frmAbout);
  Pump();
  EXPECT_EQ(FocusName(), "Command3");
  // From the return button Tab reaches the contact line, once per arrival.
  Tab();
  EXPECT_EQ(FocusName(), "MovingText1");
  Tab();
  EXPECT_EQ(FocusName(), "Command3");
  Tab();
  EXPECT_EQ(Events(), (std::vector<std::string>{"load frmAbout", "focus frmAbout MovingText1",
                                                "focus frmAbout MovingText1"}));
  app->Show(FormId::frmreadme);
  Pump();
  EXPECT_EQ(FocusName(), "Text1");
  Tab();
  EXPECT_EQ(FocusName(), "Text1") << "the only control keeps the focus";
}

}  // namespace
}  // namespace tivrel::win32::test
