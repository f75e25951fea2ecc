#include "platform/win32/win32_host.h"

#include <commctrl.h>

#include <cstring>

#include "controls/hosted.h"
#include "framework/error.h"
#include "platform/win32/form_window.h"
#include "platform/win32/hosted_controls.h"
#include "platform/win32/win32_util.h"

namespace tivrel::win32 {

namespace {

constexpr wchar_t kOwnerClass[] = L"TivrelOwner";

}  // namespace

Win32Host::Win32Host(HINSTANCE module, Win32HostOptions options)
    : module_(module), options_(std::move(options)) {
  dpi_ = ScreenDpi();
  FormWindow::RegisterWindowClass(module_);
  RegisterHostedControls(module_);

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = module_;
  wc.lpszClassName = kOwnerClass;
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    ThrowWin32("RegisterClassExW");
  }
}

HWND Win32Host::OwnerWindow() {
  if (!owner_) {
    owner_ = CreateWindowExW(0, kOwnerClass, L"Tivrel", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                             module_, nullptr);
    if (!owner_) ThrowWin32("CreateWindowExW");
  }
  return owner_;
}

Win32Host::~Win32Host() {
  for (auto& f : forms_) f.reset();
  if (owner_) DestroyWindow(owner_);
  if (instanceMutex_) CloseHandle(instanceMutex_);
}

FormWindow& Win32Host::Get(FormId form) const {
  FormWindow* f = Find(form);
  if (!f) throw Error(std::string("窗体未加载：") + FormName(form));
  return *f;
}

// ---------------------------------------------------------------------------
// The event loop

int Win32Host::RunMessageLoop() {
  MSG msg;
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return 1;
    ProcessMessage(msg);
  }
}

void Win32Host::ProcessMessage(const MSG& msg) {
  if (HandleNavigation(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

bool Win32Host::HandleNavigation(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || !msg.hwnd) return false;
  if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
  const HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  for (const auto& f : forms_) {
    if (f && f->hwnd() == root) {
      // Tab leaves even the multi-line report box: it is read-only.
      f->MoveFocus(GetKeyState(VK_SHIFT) >= 0);
      return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------------------
// Windows

void Win32Host::CreateForm(const FormDesign& design) {
  auto& slot = forms_[static_cast<size_t>(design.id)];
  if (slot) throw Error(std::string("窗体已加载：") + FormName(design.id));
  const HWND owner = design.showInTaskbar ? nullptr : OwnerWindow();
  slot = std::make_unique<FormWindow>(design, *this, FormSite{module_, dpi_, owner});
}

void Win32Host::DestroyForm(FormId form) {
  // The window may be the one whose message is being handled further up the
  // stack: those frames touch nothing of it once the App call returns.
  forms_[static_cast<size_t>(form)].reset();
}

void Win32Host::ShowForm(FormId form) { Get(form).Show(); }

HWND Win32Host::Handle(FormId form) const { return Get(form).hwnd(); }

// ---------------------------------------------------------------------------
// Controls

std::u16string Win32Host::GetText(FormId form, ControlRef control) {
  const HWND h = Get(form).Control(control);
  SetLastError(0);
  const int length = GetWindowTextLengthW(h);
  if (length == 0) {
    if (GetLastError() != 0) ThrowWin32("GetWindowTextLengthW");
    return {};
  }
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(h, text.data(), length + 1);
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return Utf16(text);
}

void Win32Host::SetText(FormId form, ControlRef control, std::u16string_view text) {
  const HWND h = Get(form).Control(control);
  const std::wstring w = Wide(text);
  if (!SetWindowTextW(h, w.c_str())) ThrowWin32("SetWindowTextW");
}

std::u16string Win32Host::GetSelText(FormId form, ControlRef control) {
  FormWindow& f = Get(form);
  if (f.KindOf(control) != ControlKind::TextBox) throw Error("对象不支持该属性或方法");
  const HWND h = f.Control(control);
  DWORD start = 0, end = 0;
  SendMessageW(h, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const std::u16string text = GetText(form, control);
  if (start > end) std::swap(start, end);
  if (start >= text.size()) return {};
  return text.substr(start, std::min<size_t>(end, text.size()) - start);
}

void Win32Host::SetEnabled(FormId form, ControlRef control, bool enabled) {
  Get(form).SetEnabled(control, enabled);
}

void Win32Host::SetFontSize(FormId form, ControlRef control, float points) {
  Get(form).SetFontSize(control, points);
}

void Win32Host::SetFocus(FormId form, ControlRef control) {
  FormWindow& f = Get(form);
  const HWND h = f.Control(control);
  if (!IsWindowVisible(f.hwnd()) || !IsWindowEnabled(h)) throw Error("无效的过程调用或参数");
  ::SetFocus(h);
}

bool Win32Host::HasFocus(FormId form, ControlRef control) {
  return GetFocus() == Get(form).Control(control);
}

void Win32Host::SetMenuEnabled(FormId form, std::string_view item, bool enabled) {
  Get(form).SetMenuEnabled(item, enabled);
}

void Win32Host::PutBoolProperty(FormId form, ControlRef control, int32_t dispid, bool value) {
  FormWindow& f = Get(form);
  if (f.KindOf(control) != ControlKind::HostedButton || dispid != kButtonFlagDispId) {
    throw Error("对象不支持该属性或方法");
  }
  SendMessageW(f.Control(control), kMsgSetFlag, value ? 1 : 0, 0);
}

void Win32Host::PopupMenu(FormId form, std::string_view menu) {
  FormWindow& f = Get(form);
  const HMENU popup = f.Menu(menu);
  const HWND owner = f.hwnd();
  POINT at{};
  if (const std::optional<POINT> key = MenuKeyPoint()) {
    at = *key;
  } else if (!GetCursorPos(&at)) {
    ThrowWin32("GetCursorPos");
  }
  // A menu whose owner is not in front would not close on a click elsewhere.
  SetForegroundWindow(owner);
  const UINT chosen = static_cast<UINT>(TrackPopupMenu(
      popup, TPM_LEFTALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD, at.x, at.y, 0, owner, nullptr));
  if (chosen == 0) return;  // dismissed, or a disabled item
  const std::string item = f.MenuItemName(chosen);
  // The chosen item's click runs before the pop-up returns to its caller.
  if (!item.empty()) OnMenuClick(form, item);
}

// ---------------------------------------------------------------------------
// Application services

HWND Win32Host::DialogOwner() const {
  const HWND active = GetActiveWindow();
  return active && IsWindowVisible(active) ? active : nullptr;
}

void Win32Host::MessageBox(std::u16string_view text, std::u16string_view title, int style) {
  const std::wstring t = Wide(text), c = Wide(title);
  if (!::MessageBoxW(DialogOwner(), t.c_str(), c.c_str(), static_cast<UINT>(style))) {
    ThrowWin32("MessageBoxW");
  }
}

void Win32Host::Beep() {
  // No sound device is no reason to end the program (it is what this
  // program reports on): the result is not looked at.
  MessageBeep(MB_OK);
}

bool Win32Host::PrevInstance() {
  if (!prevInstanceKnown_) {
    // The first instance keeps its handle open for the life of the process:
    // while it does, later instances find the object. A refused one lets go
    // at once, or it would keep refusing others after the first has gone.
    instanceMutex_ = CreateMutexW(nullptr, FALSE, options_.instanceMutexName.c_str());
    const DWORD error = GetLastError();
    if (instanceMutex_) {
      prevInstance_ = error == ERROR_ALREADY_EXISTS;
      if (prevInstance_) {
        CloseHandle(instanceMutex_);
        instanceMutex_ = nullptr;
      }
    } else if (error == ERROR_ACCESS_DENIED) {
      prevInstance_ = true;  // it exists, created by a process we may not open
    } else {
      ThrowWin32("CreateMutexW", error);
    }
    prevInstanceKnown_ = true;
  }
  return prevInstance_;
}

void Win32Host::OpenClipboardOrThrow() {
  for (int attempt = 0; attempt < options_.clipboardTries; ++attempt) {
    if (OpenClipboard(OwnerWindow())) return;
    if (attempt + 1 < options_.clipboardTries) Sleep(options_.clipboardRetryMs);
  }
  throw ClipboardBusy();
}

void Win32Host::ClipboardClear() {
  OpenClipboardOrThrow();
  const BOOL emptied = EmptyClipboard();
  const DWORD error = GetLastError();
  CloseClipboard();
  if (!emptied) ThrowWin32("EmptyClipboard", error);
}

namespace {

// Memory for the clipboard; it belongs to the system once SetClipboardData took it.
HGLOBAL GlobalCopy(const void* data, size_t bytes) {
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!mem) return nullptr;
  void* p = GlobalLock(mem);
  if (!p) {
    GlobalFree(mem);
    return nullptr;
  }
  std::memcpy(p, data, bytes);
  GlobalUnlock(mem);
  return mem;
}

}  // namespace

void Win32Host::ClipboardSetText(std::u16string_view text) {
  // Unicode, so that nothing is lost; programs that read 8-bit text get it in
  // the system's ANSI code page, which the locale below names.
  std::u16string terminated(text);
  terminated.push_back(u'\0');
  const LCID locale = GetSystemDefaultLCID();
  OpenClipboardOrThrow();
  HGLOBAL unicode = GlobalCopy(terminated.data(), terminated.size() * sizeof(char16_t));
  if (!unicode) {
    CloseClipboard();
    throw std::bad_alloc();
  }
  if (!SetClipboardData(CF_UNICODETEXT, unicode)) {
    const DWORD error = GetLastError();
    GlobalFree(unicode);
    CloseClipboard();
    ThrowWin32("SetClipboardData", error);
  }
  if (HGLOBAL lcid = GlobalCopy(&locale, sizeof locale)) {
    if (!SetClipboardData(CF_LOCALE, lcid)) GlobalFree(lcid);
  }
  CloseClipboard();
}

void Win32Host::ShowErrorBox(std::u16string_view text, std::u16string_view title) {
  const std::wstring t = Wide(text), c = Wide(title);
  ::MessageBoxW(DialogOwner(), t.c_str(), c.c_str(), MB_ICONERROR | MB_OK);
}

void Win32Host::EndProcess() {
  if (options_.endProcess) options_.endProcess();
  ExitProcess(0);
}

void Win32Host::QuitEventLoop() { PostQuitMessage(0); }

}  // namespace tivrel::win32
