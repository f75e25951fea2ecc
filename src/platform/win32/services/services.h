// The platform services outside the window framework on Windows: waveform
// audio, the window menu and the shell, each bound by library and function
// name at its first call.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include "framework/platform_api.h"

namespace tivrel::win32 {

// A system library loaded on the first call of any of its functions and kept
// until this object goes. Libraries come from the system directory only.
class LazyLibrary {
 public:
  explicit LazyLibrary(std::string name) : name_(std::move(name)) {}
  ~LazyLibrary();
  LazyLibrary(const LazyLibrary&) = delete;
  LazyLibrary& operator=(const LazyLibrary&) = delete;

  const std::string& name() const { return name_; }
  bool loaded() const;
  // How many function look-ups reached the library (each LazyProc once).
  size_t lookups() const;
  // The address of `function`, loading the library first when needed.
  // Throws tivrel::Error when the library or the function is missing.
  FARPROC Find(const char* function);

 private:
  HMODULE LoadLocked();

  std::string name_;
  mutable std::mutex mutex_;
  HMODULE module_ = nullptr;
  size_t lookups_ = 0;
};

// One function of a LazyLibrary, looked up at its first call; the address
// found is reused for every later call.
template <typename Fn>
class LazyProc {
 public:
  LazyProc(LazyLibrary& library, const char* name) : library_(library), name_(name) {}

  bool bound() const { return fn_.load(std::memory_order_acquire) != nullptr; }

  Fn get() {
    Fn fn = fn_.load(std::memory_order_acquire);
    if (fn == nullptr) {
      // Through the generic function pointer type, so the conversion is a
      // plain reinterpretation and not a cast between unrelated signatures.
      fn = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(library_.Find(name_)));
      fn_.store(fn, std::memory_order_release);
    }
    return fn;
  }

  template <typename... Args>
  decltype(auto) operator()(Args&&... args) {
    return get()(std::forward<Args>(args)...);
  }

 private:
  LazyLibrary& library_;
  const char* name_;
  std::atomic<Fn> fn_{nullptr};
};

// "Winmm.dll"
class WaveOutWinmm final : public WaveOutApi {
 public:
  explicit WaveOutWinmm(std::string library = "Winmm.dll") : lib_(std::move(library)) {}
  uint32_t waveOutGetNumDevs() override;
  uint32_t waveOutGetDevCapsA(uintptr_t deviceId, void* caps, uint32_t size) override;

  LazyLibrary& library() { return lib_; }

 private:
  using GetNumDevsFn = UINT(WINAPI*)();
  using GetDevCapsFn = UINT(WINAPI*)(UINT_PTR, void*, UINT);
  LazyLibrary lib_;
  LazyProc<GetNumDevsFn> getNumDevs_{lib_, "waveOutGetNumDevs"};
  LazyProc<GetDevCapsFn> getDevCaps_{lib_, "waveOutGetDevCapsA"};
};

// "user32": the window menu. The window comes from the framework's id of it.
class User32Dynamic : public WindowMenuApi {
 public:
  using WindowOf = std::function<HWND(FormId)>;
  explicit User32Dynamic(WindowOf windowOf, std::string library = "user32")
      : windowOf_(std::move(windowOf)), lib_(std::move(library)) {}

  // GetSystemMenu(window, FALSE), then RemoveMenu(menu, SC_CLOSE, MF_REMOVE).
  void RemoveCloseCommand(FormId form) override;

  LazyLibrary& library() { return lib_; }

 protected:
  // The bound functions as they are called; the tests look at the arguments.
  virtual HMENU GetSystemMenu(HWND window, BOOL revert) { return getSystemMenu_(window, revert); }
  virtual BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) {
    return removeMenu_(menu, position, flags);
  }

 private:
  using GetSystemMenuFn = HMENU(WINAPI*)(HWND, BOOL);
  using RemoveMenuFn = BOOL(WINAPI*)(HMENU, UINT, UINT);
  WindowOf windowOf_;
  LazyLibrary lib_;
  LazyProc<GetSystemMenuFn> getSystemMenu_{lib_, "GetSystemMenu"};
  LazyProc<RemoveMenuFn> removeMenu_{lib_, "RemoveMenu"};
};

// "shell32.dll"
class Shell32Dynamic : public ShellApi {
 public:
  explicit Shell32Dynamic(std::string library = "shell32.dll") : lib_(std::move(library)) {}

  // ShellExecuteA(NULL, NULL, uri, NULL, NULL, SW_HIDE).
  void OpenUri(std::string_view ansiUri) override;

  LazyLibrary& library() { return lib_; }

 protected:
  virtual HINSTANCE ShellExecuteA(HWND window, LPCSTR operation, LPCSTR file, LPCSTR parameters,
                                  LPCSTR directory, INT show) {
    return shellExecute_(window, operation, file, parameters, directory, show);
  }

 private:
  using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
  LazyLibrary lib_;
  LazyProc<ShellExecuteFn> shellExecute_{lib_, "ShellExecuteA"};
};

// The full path of `name` in the system directory, ".dll" added when the name
// has no extension, as the loader would. Empty when the directory is unknown.
std::wstring SystemLibraryPath(const std::string& name);

// The first call of both programs: DLLs that system libraries load later
// (audio drivers, uxtheme, version and the like) come from the system folder,
// never from the program's or the current folder. Windows without
// SetDefaultDllDirectories (before 8, unpatched 7) gets the current folder
// taken out of the search at least.
void LoadDllsFromTheSystemFolderOnly();

}  // namespace tivrel::win32
