// The Win32 window framework: realises the window designs as native windows
// and routes their events into tivrel::App. No behaviour of its own.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "framework/app.h"
#include "framework/event_sink.h"
#include "framework/host.h"
#include "platform/win32/win32.h"

namespace tivrel::win32 {

class FormWindow;

struct Win32HostOptions {
  // Instances of the program recognise each other by this object's name.
  std::wstring instanceMutexName =
      L"Local\\Tivrel.SingleInstance.{6B0F3C52-9A7E-4D1B-8C35-2E4F70A1D9B6}";
  // Another program may hold the clipboard open for a moment.
  int clipboardTries = kClipboardRetry.tries;
  DWORD clipboardRetryMs = kClipboardRetry.delayMs;
  // How the process ends at once; null: ExitProcess(0). Must not return.
  void (*endProcess)() = nullptr;
};

class Win32Host final : public Host, public AppEventSink {
 public:
  explicit Win32Host(HINSTANCE module, Win32HostOptions options = {});
  ~Win32Host() override;
  Win32Host(const Win32Host&) = delete;
  Win32Host& operator=(const Win32Host&) = delete;

  // Runs until QuitEventLoop; returns the quit code.
  int RunMessageLoop();
  // What the loop does with one message: Tab between our controls, else
  // translate and dispatch.
  void ProcessMessage(const MSG& msg);
  // Tab and Shift+Tab inside our windows; true when the message was used.
  bool HandleNavigation(const MSG& msg);

  // The realised window, or null when the form is not loaded.
  FormWindow* Find(FormId form) const { return forms_[static_cast<size_t>(form)].get(); }
  FormWindow& Get(FormId form) const;
  // The loaded window's native window; throws tivrel::Error when not loaded.
  HWND Handle(FormId form) const;
  HINSTANCE module() const { return module_; }
  int dpi() const { return dpi_; }
  // The hidden window that owns the windows without a taskbar button and the
  // clipboard; made when first needed.
  HWND OwnerWindow();

  // Host.
  void CreateForm(const FormDesign& design) override;
  void DestroyForm(FormId form) override;
  void ShowForm(FormId form) override;
  std::u16string GetText(FormId form, ControlRef control) override;
  void SetText(FormId form, ControlRef control, std::u16string_view text) override;
  std::u16string GetSelText(FormId form, ControlRef control) override;
  void SetEnabled(FormId form, ControlRef control, bool enabled) override;
  void SetFontSize(FormId form, ControlRef control, float points) override;
  void SetFocus(FormId form, ControlRef control) override;
  bool HasFocus(FormId form, ControlRef control) override;
  void SetMenuEnabled(FormId form, std::string_view item, bool enabled) override;
  void PutBoolProperty(FormId form, ControlRef control, int32_t dispid, bool value) override;
  void PopupMenu(FormId form, std::string_view menu) override;
  void MessageBox(std::u16string_view text, std::u16string_view title, int style) override;
  void Beep() override;
  bool PrevInstance() override;
  void ClipboardClear() override;
  void ClipboardSetText(std::u16string_view text) override;
  void ShowErrorBox(std::u16string_view text, std::u16string_view title) override;
  [[noreturn]] void EndProcess() override;
  void QuitEventLoop() override;

 private:
  void OpenClipboardOrThrow();
  HWND DialogOwner() const;

  HINSTANCE module_;
  Win32HostOptions options_;
  int dpi_ = 96;
  HWND owner_ = nullptr;
  std::array<std::unique_ptr<FormWindow>, kFormCount> forms_;
  HANDLE instanceMutex_ = nullptr;
  bool prevInstanceKnown_ = false;
  bool prevInstance_ = false;
};

}  // namespace tivrel::win32
