#include "gui_fixture.h"

#include <windowsx.h>

#include "forms/program.h"
#include "platform/win32/window_list.h"

namespace tivrel::win32::test {

namespace {

void Record(std::string line) { Events().push_back(std::move(line)); }

const char* Name(FormId f) { return tivrel::FormName(f); }

const FormDesign& DesignOf(FormId f) {
  switch (f) {
    case FormId::frmAbout:
      return AboutDesign();
    case FormId::frmreadme:
      return ReadmeDesign();
    default:
      return Form1Design();
  }
}

// Every control and menu item of the design answers every event, so that
// what the framework delivers shows in Events().
template <FormId F>
struct Recording {
  static void Load(App&) { Record(std::string("load ") + Name(F)); }
  static void Click(App&, ControlRef control) {
    Record(std::string("click ") + Name(F) + " " + std::string(control.name) + " " +
           std::to_string(control.index));
  }
  static void Menu(App&, MenuRef item) {
    Record(std::string("menu ") + Name(F) + " " + std::string(item.name));
  }
  static void Focus(App&, ControlRef control) {
    Record(std::string("focus ") + Name(F) + " " + std::string(control.name));
  }
  static void Mouse(App& app, ControlRef control, int16_t button, int16_t shift, float x, float y) {
    Record(std::string("mouse ") + Name(F) + " " + std::string(control.name) + " " +
           std::to_string(button) + " " + std::to_string(shift) + " " +
           std::to_string(static_cast<int>(x)) + " " + std::to_string(static_cast<int>(y)));
    if (button == 2 && PopupOnRightClick()) {
      app.host().PopupMenu(F, "tofiles");
      Record("popup returned");
    }
  }
  struct Routes {
    std::vector<ControlRoute> click, focus;
    std::vector<MouseRoute> mouse;
    std::vector<MenuRoute> menu;
  };
  static void AddMenus(Routes& r, const std::vector<MenuDesign>& menus) {
    for (const MenuDesign& m : menus) {
      r.menu.push_back({MenuRef{m.name}, Menu});
      AddMenus(r, m.items);
    }
  }
  static const FormHandlers& Handlers() {
    static const Routes routes = [] {
      Routes r;
      for (const ControlDesign& c : DesignOf(F).controls) {
        const ControlRef ref{c.name, c.index};
        r.click.push_back({ref, Click});
        r.focus.push_back({ref, Focus});
        r.mouse.push_back({ref, Mouse});
      }
      AddMenus(r, DesignOf(F).menus);
      return r;
    }();
    static const FormHandlers h{Load, routes.click, routes.menu, routes.focus, routes.mouse};
    return h;
  }
};

Watcher* g_watcher = nullptr;

std::wstring WindowText(HWND h) {
  wchar_t buf[512] = {};
  GetWindowTextW(h, buf, 512);
  return buf;
}

}  // namespace

const FormHandlers& RecordingHandlers(FormId form) {
  switch (form) {
    case FormId::Form1:
      return Recording<FormId::Form1>::Handlers();
    case FormId::frmAbout:
      return Recording<FormId::frmAbout>::Handlers();
    case FormId::frmreadme:
      return Recording<FormId::frmreadme>::Handlers();
  }
  return Recording<FormId::Form1>::Handlers();
}

std::array<FormEntry, kFormCount> RecordingForms() {
  return {FormEntry{&Form1Design(), &RecordingHandlers(FormId::Form1)},
          FormEntry{&AboutDesign(), &RecordingHandlers(FormId::frmAbout)},
          FormEntry{&ReadmeDesign(), &RecordingHandlers(FormId::frmreadme)}};
}

// ---------------------------------------------------------------------------

Watcher::Watcher() {
  g_watcher = this;
  timer_ = SetTimer(nullptr, 0, 25, Tick);
}

Watcher::~Watcher() {
  KillTimer(nullptr, timer_);
  g_watcher = nullptr;
}

void CALLBACK Watcher::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (g_watcher) g_watcher->Check();
}

void Watcher::Check() {
  struct Found {
    std::vector<HWND> dialogs, menus;
  } found;
  for (HWND h : tivrel::test::ThreadWindows(GetCurrentThreadId())) {
    wchar_t cls[64] = {};
    GetClassNameW(h, cls, 64);
    if (!IsWindowVisible(h)) continue;
    if (std::wstring_view(cls) == L"#32770") found.dialogs.push_back(h);
    if (std::wstring_view(cls) == L"#32768") found.menus.push_back(h);
  }
  for (HWND d : found.dialogs) {
    if (!handled_.insert(d).second) continue;
    std::string owner = "none";
    const HWND o = GetWindow(d, GW_OWNER);
    if (o && host) {
      for (FormId f : {FormId::Form1, FormId::frmAbout, FormId::frmreadme}) {
        if (host->Find(f) && host->Find(f)->hwnd() == o) owner = Name(f);
      }
      if (owner == "none") owner = "other";
    }
    wchar_t text[512] = {};
    GetDlgItemTextW(d, 0xFFFF, text, 512);  // the message box's text
    seen.push_back("dialog " + U8(WindowText(d)) + " | " + U8(text) + " | owner " + owner);
    PostMessageW(d, WM_COMMAND, IDOK, 0);
  }
  if (answerMenus) {
    for (HWND m : found.menus) {
      if (!handled_.insert(m).second) continue;
      seen.push_back("menu opened");
      PostMessageW(m, WM_KEYDOWN, VK_ESCAPE, 0);
    }
  }
}

// ---------------------------------------------------------------------------

Win32HostOptions GuiTest::Options() {
  static int serial = 0;
  Win32HostOptions o;
  // Every test its own instance object, so that nothing else that runs in
  // the same Wine prefix (the program itself) counts as an instance.
  o.instanceMutexName = L"Local\\Tivrel.Test." + std::to_wstring(GetCurrentProcessId()) + L"." +
                        std::to_wstring(++serial);
  o.endProcess = ThrowProcessEnded;
  return o;
}

void GuiTest::SetUp() {
  Events().clear();
  PopupOnRightClick() = false;
  host = std::make_unique<Win32Host>(GetModuleHandleW(nullptr), Options());
  watcher = std::make_unique<Watcher>();
  watcher->host = host.get();
}

void GuiTest::TearDown() {
  app.reset();
  host.reset();
  Pump();
  watcher.reset();
}

void GuiTest::UseProgram() {
  app = std::make_unique<App>(*host, Services{waveOut, windowMenu, shell, *ansi}, ProgramForms());
  host->SetApp(app.get());
}

void GuiTest::UseRecorder() {
  app = std::make_unique<App>(*host, Services{waveOut, windowMenu, shell, *ansi}, RecordingForms());
  host->SetApp(app.get());
}

void GuiTest::Pump(DWORD ms) {
  const DWORD until = GetTickCount() + ms;
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quitPosted = true;
        continue;
      }
      if (host) {
        host->ProcessMessage(msg);
      } else {
        DispatchMessageW(&msg);
      }
    }
    if (ms) Sleep(5);
  } while (static_cast<LONG>(until - GetTickCount()) > 0);
}

void GuiTest::LeftClick(HWND control) {
  RECT rc;
  GetClientRect(control, &rc);
  const LPARAM at = MAKELPARAM(rc.right / 2, rc.bottom / 2);
  SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
  if (IsWindow(control)) SendMessageW(control, WM_LBUTTONUP, 0, at);
}

void GuiTest::Key(HWND target, WPARAM key, bool repeat) {
  SendMessageW(target, WM_KEYDOWN, key, repeat ? (1 | (1 << 30)) : 1);
}

void GuiTest::KeyUp(HWND target, WPARAM key) {
  SendMessageW(target, WM_KEYUP, key, 1 | (1u << 30) | (1u << 31));
}

void GuiTest::Tab() {
  const HWND focus = GetFocus();
  ASSERT_NE(focus, nullptr);
  PostMessageW(focus, WM_KEYDOWN, VK_TAB, 1);
  Pump();
}

std::string GuiTest::FocusName() {
  const HWND focus = GetFocus();
  for (FormId f : {FormId::Form1, FormId::frmAbout, FormId::frmreadme}) {
    FormWindow* w = host->Find(f);
    if (!w) continue;
    for (const auto& c : w->design().controls) {
      if (c.kind == ControlKind::Line) continue;
      if (w->Control(ControlRef{c.name, c.index}) == focus) {
        return c.index == kNoIndex ? c.name : c.name + "(" + std::to_string(c.index) + ")";
      }
    }
    if (w->hwnd() == focus) return Name(f);
  }
  return focus ? "other" : "none";
}

}  // namespace tivrel::win32::test

namespace {

// Under Wine on a bare X server (no window manager) hiding a managed window
// waits two seconds for a manager that never answers. This program's windows
// are made unmanaged, by Wine's per-program setting, which Wine reads as the
// process starts: true when it was only just written.
bool UnmanagedUnderWine() {
  if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) return false;
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring exe(path);
  exe = exe.substr(exe.find_last_of(L"\\/") + 1);
  const std::wstring key = L"Software\\Wine\\AppDefaults\\" + exe + L"\\X11 Driver";
  HKEY h = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h,
                      &disposition) != ERROR_SUCCESS) {
    return false;
  }
  const wchar_t no[] = L"N";
  RegSetValueExW(h, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(no), sizeof no);
  RegCloseKey(h);
  return disposition == REG_CREATED_NEW_KEY;
}

// Runs this program again, with the same arguments and output; its result.
int RunAgain() {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::wstring command = GetCommandLineW();
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                      &pi)) {
    return 1;
  }
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

}  // namespace

int main(int argc, char** argv) {
  if (UnmanagedUnderWine()) return RunAgain();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
