// Drives the real Tivrel.exe as a user would, from another process: finds its
// windows by class and caption, presses its buttons, answers its dialogs and
// reads back what it shows. Every wait has a deadline, so a hang fails.
//
//   e2e_driver TIVREL_EXE device|none     the whole walk; exit status 0 = passed
//   e2e_driver --wait-visible EXE RUNS    start-up times, first picture and peak memory
//   e2e_driver --instances TIVREL_EXE     twenty started at once: one main window
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "child_process.h"
#include "platform/win32/window_list.h"

namespace {

using tivrel::test::Child;
using tivrel::test::Narrow;
using tivrel::test::WindowsPath;

// A bound on each wait that catches a hang, with room for a loaded machine.
constexpr DWORD kTimeoutMs = 30000;
constexpr DWORD kPollMs = 20;
constexpr UINT kSendTimeoutMs = 5000;

const std::wstring kMainCaption = L"岚铃声卡测试仪 Build0730修正版";
const std::wstring kAboutCaption = L"关于岚铃声卡测试仪";
const std::wstring kReadmeCaption = L"ReadMe";
const std::wstring kFormClass = L"TivrelForm";
const std::wstring kButtonClass = L"TivrelButton";
const std::wstring kDialogClass = L"#32770";
const std::wstring kNoDevice = L"在您的计算机上没有发现声卡设备或声卡驱动程序未安装";

int g_failures = 0;

const ULONGLONG g_start = GetTickCount64();

void Log(const std::string& line) {
  std::printf("%6.2f %s\n", static_cast<double>(GetTickCount64() - g_start) / 1000.0, line.c_str());
  std::fflush(stdout);
}

bool Check(bool ok, const std::string& what) {
  Log(std::string(ok ? "  ok    " : "  FAIL  ") + what);
  if (!ok) ++g_failures;
  return ok;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

// WM_GETTEXT across processes, with a deadline in case the other side hangs.
std::wstring TextOf(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                           &length)) {
    return L"<no answer>";
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_ABORTIFHUNG, kSendTimeoutMs, &got)) {
    return L"<no answer>";
  }
  text.resize(got);
  return text;
}

bool SameClass(HWND window, const std::wstring& cls) {
  return _wcsicmp(ClassOf(window).c_str(), cls.c_str()) == 0;
}

std::vector<HWND> TopWindows(DWORD pid) {
  std::vector<HWND> found;
  for (HWND window : tivrel::test::TopLevelWindows()) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == pid) found.push_back(window);
  }
  return found;
}

std::vector<HWND> Children(HWND parent) { return tivrel::test::ChildWindows(parent); }

// A visible top-level window of the process with this class and caption.
HWND FindTop(DWORD pid, const std::wstring& cls, const std::wstring& caption) {
  for (HWND w : TopWindows(pid)) {
    if (IsWindowVisible(w) && SameClass(w, cls) && TextOf(w) == caption) return w;
  }
  return nullptr;
}

HWND WaitFor(const std::function<HWND()>& find, DWORD timeoutMs = kTimeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  do {
    if (HWND w = find()) return w;
    Sleep(kPollMs);
  } while (GetTickCount64() < end);
  return nullptr;
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = kTimeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  do {
    if (done()) return true;
    Sleep(kPollMs);
  } while (GetTickCount64() < end);
  return false;
}

HWND WaitTop(DWORD pid, const std::wstring& cls, const std::wstring& caption) {
  return WaitFor([&] { return FindTop(pid, cls, caption); });
}

// Not waited for: a window is shown with its controls made.
HWND ChildOf(HWND parent, const std::wstring& cls, const std::function<bool(HWND)>& match) {
  for (HWND c : Children(parent)) {
    if (SameClass(c, cls) && match(c)) return c;
  }
  return nullptr;
}

HWND ButtonCaptioned(HWND form, const std::wstring& caption) {
  return ChildOf(form, kButtonClass, [&](HWND c) { return TextOf(c) == caption; });
}

HWND EditOf(HWND form) {
  return ChildOf(form, L"Edit",
                 [](HWND c) { return (GetWindowLongW(c, GWL_STYLE) & ES_MULTILINE) != 0; });
}

// A press with the left mouse button in the middle of the control, delivered
// to the control as the mouse would deliver it.
void Press(HWND control) {
  RECT rc;
  GetClientRect(control, &rc);
  const LPARAM at = MAKELPARAM((rc.right - rc.left) / 2, (rc.bottom - rc.top) / 2);
  PostMessageW(control, WM_MOUSEMOVE, 0, at);
  PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(control, WM_LBUTTONUP, 0, at);
}

// The text of a message box: its static controls, joined.
std::wstring DialogText(HWND dialog) {
  std::wstring text;
  for (HWND c : Children(dialog)) {
    if (SameClass(c, L"Static")) text += TextOf(c);
  }
  return text;
}

// The message box's only button, as the user presses OK.
void AnswerOk(HWND dialog) {
  HWND ok = GetDlgItem(dialog, IDOK);
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
}

int CountButtons(HWND dialog) {
  int n = 0;
  for (HWND c : Children(dialog)) {
    if (SameClass(c, L"Button") && IsWindowVisible(c)) ++n;
  }
  return n;
}

// A message box of the process: appears, says what it should, goes on OK.
bool ExpectDialog(DWORD pid, const std::wstring& title, const std::wstring& text) {
  HWND dialog = WaitTop(pid, kDialogClass, title);
  if (!Check(dialog != nullptr, "dialog \"" + Narrow(title) + "\" appears")) return false;
  const std::wstring shown = DialogText(dialog);
  Check(shown.find(text) != std::wstring::npos, "dialog \"" + Narrow(title) + "\" says \"" +
                                                    Narrow(text) + "\" (shows \"" + Narrow(shown) +
                                                    "\")");
  Check(CountButtons(dialog) == 1, "dialog has a single button");
  AnswerOk(dialog);
  return Check(WaitUntil([&] { return !IsWindow(dialog); }), "dialog goes on OK");
}

// The shell's rule: unowned or WS_EX_APPWINDOW windows get a button, tool
// windows do not.
bool HasTaskbarButton(HWND window) {
  const LONG_PTR ex = GetWindowLongPtrW(window, GWL_EXSTYLE);
  if (ex & WS_EX_APPWINDOW) return true;
  return GetWindow(window, GW_OWNER) == nullptr && !(ex & WS_EX_TOOLWINDOW);
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  const DWORD thread = GetWindowThreadProcessId(window, nullptr);
  if (!GetGUIThreadInfo(thread, &info)) return nullptr;
  return info.hwndFocus;
}

void Key(WORD vk) {
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_KEYBOARD;
  input[0].ki.wVk = input[1].ki.wVk = vk;
  input[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, input, sizeof(INPUT));
}

// `held` down, `key` pressed and released, `held` up.
void KeyChord(WORD held, WORD key) {
  INPUT input[4] = {};
  for (auto& i : input) i.type = INPUT_KEYBOARD;
  input[0].ki.wVk = input[3].ki.wVk = held;
  input[1].ki.wVk = input[2].ki.wVk = key;
  input[2].ki.dwFlags = input[3].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(4, input, sizeof(INPUT));
}

bool InMenuMode(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) &&
         (info.flags & GUI_INMENUMODE) != 0;
}

// Waits until the window's thread has handled every key sent to it so far:
// Alt alone, sent after them, opens the window menu only once they are done
// with; Escape closes it again.
bool KeysHandled(HWND window) {
  Key(VK_MENU);
  const bool handled = WaitUntil([&] { return InMenuMode(window); });
  Key(VK_ESCAPE);
  return handled && WaitUntil([&] { return !InMenuMode(window); });
}

// Brings the window to the front as a click on it would; the keyboard then
// goes to it.
bool Activate(HWND window) {
  return WaitUntil(
      [&] {
        SetForegroundWindow(window);
        return GetForegroundWindow() == window;
      },
      kTimeoutMs);
}

// A menu-bar command, chosen with the keyboard: Alt opens the menu bar on its
// first menu, `right` steps to the wanted menu, Down opens it on its first
// item, `down` more steps to the item, Enter chooses it.
bool ChooseMenu(HWND form, int right, int down) {
  if (!Activate(form)) return false;
  Key(VK_MENU);
  for (int i = 0; i < right; ++i) Key(VK_RIGHT);
  Key(VK_DOWN);
  for (int i = 0; i < down; ++i) Key(VK_DOWN);
  Key(VK_RETURN);
  return true;
}

std::vector<std::wstring> SplitCrLf(const std::wstring& text, bool* allEnded) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  *allEnded = start == text.size();
  return lines;
}

void CheckReport(const std::wstring& report, bool expectDevice) {
  if (!expectDevice) {
    Check(report == kNoDevice,
          "the report box holds exactly the no-device message (got \"" + Narrow(report) + "\")");
    return;
  }
  bool allEnded = false;
  const auto lines = SplitCrLf(report, &allEnded);
  Check(allEnded, "every report line ends with CR LF");
  Check(lines.size() >= 6,
        "the report has at least 6 lines (" + std::to_string(lines.size()) + ")");
  const wchar_t* labels[] = {L"产品名称：",    L"产品 Id：",
                             L"驱动程序 Id：", L"驱动程序版本：",
                             L"输出声道： ",   L"支持格式列表及扩展输出功能列表："};
  for (size_t i = 0; i < 6 && i < lines.size(); ++i) {
    Check(lines[i].rfind(labels[i], 0) == 0, "line " + std::to_string(i + 1) + " starts with \"" +
                                                 Narrow(labels[i]) + "\": \"" + Narrow(lines[i]) +
                                                 "\"");
  }
}

int Walk(const std::wstring& exe, bool expectDevice) {
  Log("start " + Narrow(exe) +
      (expectDevice ? " (a wave-out device expected)" : " (no device expected)"));
  Child first;
  if (!Check(first.Start(exe, L""), "Tivrel.exe starts")) return 1;
  const DWORD pid = first.id();

  HWND main = WaitTop(pid, kFormClass, kMainCaption);
  if (!Check(main != nullptr, "the main window is shown")) {
    if (FindTop(pid, kDialogClass, L"系统提示") != nullptr) {
      Log("  note  refused as a second instance: another Tivrel.exe runs in this Wine prefix");
    }
    return 1;
  }
  Check(HasTaskbarButton(main), "the main window has a taskbar button");
  HWND report = EditOf(main);
  if (!Check(report != nullptr, "the main window has its report box")) return 1;
  Check(TextOf(report).empty(), "the report box starts empty");

  // A second instance: refused, with its dialog and nothing else.
  {
    Child second;
    if (Check(second.Start(exe, L""), "a second instance starts")) {
      HWND refusal = WaitTop(second.id(), kDialogClass, L"系统提示");
      Check(refusal != nullptr, "the second instance shows \"系统提示\"");
      bool mainShown = false;
      for (HWND w : TopWindows(second.id()))
        mainShown = mainShown || (IsWindowVisible(w) && SameClass(w, kFormClass));
      Check(!mainShown, "the second instance shows no main window");
      if (refusal != nullptr) {
        Check(
            DialogText(refusal).find(L"本程序不允许运行多次，请关闭后再试。") != std::wstring::npos,
            "the refusal says \"本程序不允许运行多次，请关闭后再试。\"");
        AnswerOk(refusal);
      }
      Check(second.Wait(kTimeoutMs), "the second instance ends after OK");
      Check(first.Running() && IsWindow(main) && IsWindowVisible(main), "the first instance stays");
    }
  }

  // Test.
  HWND test = ButtonCaptioned(main, L"开始测试");
  if (!Check(test != nullptr, "the Test button \"开始测试\" is there")) return 1;
  Press(test);
  ExpectDialog(pid, L"^_^", L"测试完成！");
  CheckReport(TextOf(report), expectDevice);
  Check(WaitUntil([&] { return FocusOf(main) == report; }), "the focus is in the report box");

  // About: the main window gives way to the About window.
  HWND about = ButtonCaptioned(main, L"关于");
  if (!Check(about != nullptr, "the About button \"关于\" is there")) return 1;
  Press(about);
  HWND aboutWindow = WaitTop(pid, kFormClass, kAboutCaption);
  if (!Check(aboutWindow != nullptr, "the About window \"关于岚铃声卡测试仪\" is shown")) return 1;
  Check(WaitUntil([&] { return !IsWindow(main); }), "the main window is gone");
  Check(!HasTaskbarButton(aboutWindow), "the About window has no taskbar button");
  HMENU system = GetSystemMenu(aboutWindow, FALSE);
  if (system != nullptr) {
    Check(GetMenuState(system, SC_CLOSE, MF_BYCOMMAND) == 0xFFFFFFFFu,
          "the About window's window menu has no Close");
  } else {
    Log("  note  the window menu of another process cannot be read here");
  }
  // Alt+F4 from the keyboard, and the close command as the close box sends it.
  if (Check(Activate(aboutWindow), "the About window comes to the front")) {
    KeyChord(VK_MENU, VK_F4);
    Check(KeysHandled(aboutWindow) && IsWindow(aboutWindow) && IsWindowVisible(aboutWindow),
          "Alt+F4 does not close the About window");
  }
  // Sent, as the close box sends it: handled when the call returns.
  SendMessageTimeoutW(aboutWindow, WM_SYSCOMMAND, SC_CLOSE, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                      nullptr);
  Check(IsWindow(aboutWindow) && IsWindowVisible(aboutWindow),
        "Close does not close the About window");

  HWND back = ButtonCaptioned(aboutWindow, L"确定");
  if (!Check(back != nullptr, "the About window's \"确定\" is there")) return 1;
  Press(back);
  main = WaitTop(pid, kFormClass, kMainCaption);
  if (!Check(main != nullptr, "\"确定\" brings a main window back")) return 1;
  Check(WaitUntil([&] { return !IsWindow(aboutWindow); }), "the About window is gone");
  report = EditOf(main);
  Check(report != nullptr && TextOf(report).empty(), "the new main window's report is empty");
  Check(FindTop(pid, kDialogClass, L"系统提示") == nullptr,
        "no single-instance dialog on the way back");

  // Read-me, beside the main window.
  // "关于" is the second menu on the bar, "查看ReadeMe" its second item.
  if (Check(ChooseMenu(main, 1, 1), "the main window takes the keyboard for its menu")) {
    HWND readme = WaitTop(pid, kFormClass, kReadmeCaption);
    if (Check(readme != nullptr, "the \"ReadMe\" window is shown")) {
      HWND box = EditOf(readme);
      const std::wstring text = box != nullptr ? TextOf(box) : L"";
      bool allEnded = false;
      const auto lines = SplitCrLf(text, &allEnded);
      Check(lines.size() == 14 && allEnded, "the read-me text has 14 lines ending with CR LF");
      Check(!lines.empty() && lines[0] == L"岚铃声卡测试仪", "it starts with \"岚铃声卡测试仪\"");
      Check(lines.size() > 4 && lines[4] == L"名称：岚铃声卡测试仪",
            "line 5 is \"名称：岚铃声卡测试仪\"");
      Check(IsWindowVisible(main), "the main window stays");
      // The read-me window closes by the window system's means (which also
      // shows that the Alt+F4 refused by the About window did arrive) ...
      if (Check(Activate(readme), "the read-me window comes to the front")) {
        KeyChord(VK_MENU, VK_F4);
        Check(WaitUntil([&] { return !IsWindow(readme); }), "Alt+F4 closes the read-me window");
        Check(IsWindowVisible(main), "the main window stays");
      }
      // ... and the menu opens it anew, to stay open until Exit.
      ChooseMenu(main, 1, 1);
      readme = WaitTop(pid, kFormClass, kReadmeCaption);
      Check(readme != nullptr, "\"查看ReadeMe\" opens the read-me window again");
    }
  }

  // Exit: thanks, then the whole process ends.
  HWND exitButton = ButtonCaptioned(main, L"  退出");
  if (!Check(exitButton != nullptr, "the Exit button \"  退出\" is there")) return 1;
  Press(exitButton);
  ExpectDialog(pid, L"Thanks", L"感谢您的支持！");
  DWORD status = 0;
  Check(first.Wait(kTimeoutMs, &status),
        "the process ends after the thanks, the read-me window with it");
  return g_failures == 0 ? 0 : 1;
}

// The screen as the user sees it, read back one rectangle at a time.
class ScreenGrab {
 public:
  ScreenGrab() : screen_(GetDC(nullptr)), memory_(CreateCompatibleDC(screen_)) {}
  ~ScreenGrab() {
    if (bitmap_) DeleteObject(bitmap_);
    DeleteDC(memory_);
    ReleaseDC(nullptr, screen_);
  }
  ScreenGrab(const ScreenGrab&) = delete;
  ScreenGrab& operator=(const ScreenGrab&) = delete;

  // The rectangle's pixels, row by row from the top, as 0x00RRGGBB.
  std::vector<uint32_t> Read(const RECT& r) {
    const int w = std::max<LONG>(r.right - r.left, 1), h = std::max<LONG>(r.bottom - r.top, 1);
    if (w != width_ || h != height_) {
      if (bitmap_) DeleteObject(bitmap_);
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof info.bmiHeader;
      info.bmiHeader.biWidth = w;
      info.bmiHeader.biHeight = -h;  // top-down
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 32;
      bitmap_ = CreateDIBSection(memory_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
      SelectObject(memory_, bitmap_);
      width_ = w, height_ = h;
    }
    BitBlt(memory_, 0, 0, w, h, screen_, r.left, r.top, SRCCOPY | CAPTUREBLT);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits_);
    return std::vector<uint32_t>(p, p + static_cast<size_t>(w) * static_cast<size_t>(h));
  }

 private:
  HDC screen_;
  HDC memory_;
  HBITMAP bitmap_ = nullptr;
  void* bits_ = nullptr;
  int width_ = 0, height_ = 0;
};

// Where the main window's design puts its three buttons and its scrolling
// contact line, in twips of the client area; the yardstick places its
// controls alike. The contact line never settles, so it is left out.
constexpr RECT kButtonsTwips[] = {
    {240, 4440, 240 + 1335, 4440 + 495},
    {1680, 4440, 1680 + 1335, 4440 + 495},
    {3120, 4440, 3120 + 1335, 4440 + 495},
};
constexpr RECT kContactLineTwips{240, 5040, 240 + 4095, 5040 + 255};

// One look at the window: when, whether anything of it was on the screen yet,
// and what the whole window (but the contact line) and its buttons showed.
struct Sample {
  double ms = 0;
  bool onScreen = false;
  uint64_t whole = 0, buttons = 0;
};

uint64_t Fnv(uint64_t hash, uint32_t value) {
  for (int i = 0; i < 4; ++i) hash = (hash ^ ((value >> (8 * i)) & 0xFF)) * 1099511628211ull;
  return hash;
}

Sample Look(ScreenGrab& grab, HWND window, const std::vector<uint32_t>& background,
            int screenWidth) {
  Sample s;
  RECT r;
  if (!GetWindowRect(window, &r)) return s;
  POINT client{0, 0};
  ClientToScreen(window, &client);
  const int dpi = 96;
  auto toWindow = [&](const RECT& twips) {
    return RECT{client.x - r.left + MulDiv(twips.left, dpi, 1440),
                client.y - r.top + MulDiv(twips.top, dpi, 1440),
                client.x - r.left + MulDiv(twips.right, dpi, 1440),
                client.y - r.top + MulDiv(twips.bottom, dpi, 1440)};
  };
  const RECT skip = toWindow(kContactLineTwips);
  RECT buttons[3];
  for (int i = 0; i < 3; ++i) buttons[i] = toWindow(kButtonsTwips[i]);
  const std::vector<uint32_t> pixels = grab.Read(r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  s.whole = Fnv(Fnv(14695981039346656037ull, static_cast<uint32_t>(w)), static_cast<uint32_t>(h));
  s.buttons = s.whole;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint32_t px = pixels[static_cast<size_t>(y) * w + x] & 0xFFFFFF;
      const int sx = r.left + x, sy = r.top + y;
      if (sx >= 0 && sx < screenWidth && sy >= 0 &&
          static_cast<size_t>(sy) * screenWidth + sx < background.size() &&
          px != (background[static_cast<size_t>(sy) * screenWidth + sx] & 0xFFFFFF)) {
        s.onScreen = true;
      }
      const POINT at{x, y};
      if (!PtInRect(&skip, at)) s.whole = Fnv(s.whole, px);
      for (const RECT& b : buttons) {
        if (PtInRect(&b, at)) s.buttons = Fnv(s.buttons, px);
      }
    }
  }
  return s;
}

// The time of the first sample from which on the value stays as it settled.
template <typename Value>
double SettledFrom(const std::vector<Sample>& samples, Value value) {
  size_t i = samples.size();
  while (i > 0 && value(samples[i - 1]) == value(samples.back())) --i;
  return samples[i].ms;
}

// Start-up to the main window shown, the first picture, the program ready for
// input (its first wait for input) and the peak working set, RUNS times. The
// screen is sampled from the moment the window exists until half a second
// after the program is ready: the complete window is the first sample from
// which on the window (but its scrolling contact line) stays as it settled;
// "bare" is how long the window was on the screen before its buttons were.
int WaitVisible(const std::wstring& exe, int runs) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  ScreenGrab grab;
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const RECT screen{0, 0, screenWidth, GetSystemMetrics(SM_CYSCREEN)};
  // The pointer away from where windows open: no hover look, no tooltip.
  SetCursorPos(screen.right - 1, screen.bottom - 1);
  for (int i = 0; i < runs; ++i) {
    const std::vector<uint32_t> background = grab.Read(screen);
    LARGE_INTEGER t0;
    QueryPerformanceCounter(&t0);
    auto now = [&] {
      LARGE_INTEGER t;
      QueryPerformanceCounter(&t);
      return 1000.0 * static_cast<double>(t.QuadPart - t0.QuadPart) /
             static_cast<double>(frequency.QuadPart);
    };
    Child child;
    if (!child.Start(exe, L"")) {
      Log("cannot start " + Narrow(exe));
      return 1;
    }
    const DWORD pid = child.id();
    HWND window = nullptr;
    double shownMs = -1, readyMs = -1;
    std::vector<Sample> samples;
    while (now() < 30000 && (readyMs < 0 || now() < readyMs + 500)) {
      if (!window) {
        for (HWND w : TopWindows(pid)) {
          // Shown or not yet: the first picture is watched from its creation.
          const LONG_PTR style = GetWindowLongPtrW(w, GWL_STYLE);
          if (GetWindow(w, GW_OWNER) == nullptr && (style & WS_CAPTION) == WS_CAPTION) window = w;
        }
      }
      if (!window) {
        Sleep(1);
        continue;
      }
      if (shownMs < 0 && IsWindowVisible(window)) shownMs = now();
      if (readyMs < 0 && WaitForInputIdle(child.handle(), 0) == 0) readyMs = now();
      Sample s = Look(grab, window, background, screenWidth);
      s.ms = now();
      samples.push_back(s);
    }
    if (shownMs < 0 || samples.empty()) {
      Log("no window within 30 s");
      return 1;
    }
    double firstOnScreen = -1;
    for (const Sample& s : samples) {
      if (s.onScreen) {
        firstOnScreen = s.ms;
        break;
      }
    }
    const double complete = SettledFrom(samples, [](const Sample& s) { return s.whole; });
    const double buttons = SettledFrom(samples, [](const Sample& s) { return s.buttons; });
    const double bare = firstOnScreen < 0 ? -1 : std::max(0.0, buttons - firstOnScreen);
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(child.handle(), &counters, sizeof counters);
    std::printf(
        "run %d startup_ms %.1f ready_ms %.1f peak_ws_kib %.0f complete_ms %.1f bare_ms %.1f "
        "samples %zu\n",
        i + 1, shownMs, readyMs, static_cast<double>(counters.PeakWorkingSetSize) / 1024.0,
        complete, bare, samples.size());
    std::fflush(stdout);
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (!child.Wait(5000)) TerminateProcess(child.handle(), 0), child.Wait(5000);
  }
  return 0;
}

// Twenty copies started at once show one main window, every other one the
// refusal. Then, with one refused copy still showing its dialog, the running
// one ends: a copy started now must start.
int Instances(const std::wstring& exe) {
  constexpr int kCopies = 20;
  std::vector<Child> copies(kCopies);
  for (auto& c : copies) {
    if (!Check(c.Start(exe, L""), "start " + Narrow(exe))) return 1;
  }
  auto mainOf = [](const Child& c) { return FindTop(c.id(), kFormClass, kMainCaption); };
  auto refusalOf = [](const Child& c) { return FindTop(c.id(), kDialogClass, L"系统提示"); };
  const bool settled = WaitUntil(
      [&] {
        return std::all_of(copies.begin(), copies.end(),
                           [&](const Child& c) { return mainOf(c) || refusalOf(c); });
      },
      60000);
  Check(settled, "every copy shows its main window or the refusal");
  int running = -1, shown = 0, refused = 0;
  for (int i = 0; i < kCopies; ++i) {
    if (mainOf(copies[i])) running = i, ++shown;
    if (refusalOf(copies[i])) ++refused;
  }
  Check(shown == 1 && refused == kCopies - 1,
        std::to_string(kCopies) + " copies at once: " + std::to_string(shown) +
            " main window(s), " + std::to_string(refused) + " refusal(s)");
  if (running < 0) return 1;
  TerminateProcess(copies[running].handle(), 0);
  copies[running].Wait(kTimeoutMs);
  Child after;
  after.Start(exe, L"");
  Check(WaitTop(after.id(), kFormClass, kMainCaption) != nullptr,
        "with the refused copies' dialogs still up, a copy started after the first ended starts");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 4 && std::wstring(argv[1]) == L"--wait-visible") {
    return WaitVisible(WindowsPath(argv[2]), std::max(1, _wtoi(argv[3])));
  }
  if (argc == 3 && std::wstring(argv[1]) == L"--instances") {
    const int status = Instances(WindowsPath(argv[2]));
    Log(status == 0 && g_failures == 0 ? "instances: passed"
                                       : "instances: FAILED (" + std::to_string(g_failures) + ")");
    return status == 0 && g_failures == 0 ? 0 : 1;
  }
  if (argc == 3 && (std::wstring(argv[2]) == L"device" || std::wstring(argv[2]) == L"none")) {
    const int status = Walk(WindowsPath(argv[1]), std::wstring(argv[2]) == L"device");
    Log(status == 0 && g_failures == 0 ? "e2e: passed"
                                       : "e2e: FAILED (" + std::to_string(g_failures) + ")");
    return status == 0 && g_failures == 0 ? 0 : 1;
  }
  std::fwprintf(stderr,
                L"usage: e2e_driver TIVREL_EXE device|none\n"
                L"       e2e_driver --wait-visible EXE RUNS\n"
                L"       e2e_driver --instances TIVREL_EXE\n");
  return 64;
}
