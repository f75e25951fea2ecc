#include "platform/win32/services/services.h"

#include "framework/error.h"

namespace tivrel::win32 {

namespace {

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

}  // namespace

std::wstring SystemLibraryPath(const std::string& name) {
  wchar_t dir[MAX_PATH];
  const UINT n = GetSystemDirectoryW(dir, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  std::wstring path(dir, n);
  if (path.back() != L'\\') path += L'\\';
  path += Widen(name);
  // The loader adds ".dll" to a bare name; a full path gets the same here.
  if (name.find('.') == std::string::npos) path += L".dll";
  return path;
}

LazyLibrary::~LazyLibrary() {
  if (module_ != nullptr) FreeLibrary(module_);
}

bool LazyLibrary::loaded() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return module_ != nullptr;
}

size_t LazyLibrary::lookups() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lookups_;
}

HMODULE LazyLibrary::LoadLocked() {
  if (module_ != nullptr) return module_;
  // The system directory only: a DLL of the same name planted beside the
  // program or in the current directory must never be the one that runs.
  HMODULE module = LoadLibraryExW(Widen(name_).c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  DWORD error = module != nullptr ? 0 : GetLastError();
  if (module == nullptr && error == ERROR_INVALID_PARAMETER) {
    // Systems without the search flags reject them; a full path into the
    // system directory keeps the same guarantee there.
    const std::wstring path = SystemLibraryPath(name_);
    if (!path.empty()) {
      module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
      error = module != nullptr ? 0 : GetLastError();
    }
  }
  if (module == nullptr) {
    throw Error("无法加载动态链接库“" + name_ + "”（错误代码 " + std::to_string(error) + "）");
  }
  module_ = module;
  return module_;
}

FARPROC LazyLibrary::Find(const char* function) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++lookups_;
  const FARPROC address = GetProcAddress(LoadLocked(), function);
  if (address == nullptr) {
    throw Error("在动态链接库“" + name_ + "”中找不到函数“" + std::string(function) + "”");
  }
  return address;
}

uint32_t WaveOutWinmm::waveOutGetNumDevs() { return getNumDevs_(); }

uint32_t WaveOutWinmm::waveOutGetDevCapsA(uintptr_t deviceId, void* caps, uint32_t size) {
  // The core hands over the 52-byte image and the size it means (50): as they are.
  return getDevCaps_(static_cast<UINT_PTR>(deviceId), caps, static_cast<UINT>(size));
}

uintptr_t User32Dynamic::GetSystemMenu(uintptr_t window, int32_t revert) {
  return reinterpret_cast<uintptr_t>(getSystemMenu_(reinterpret_cast<HWND>(window), revert));
}

int32_t User32Dynamic::RemoveMenu(uintptr_t menu, uint32_t position, uint32_t flags) {
  return removeMenu_(reinterpret_cast<HMENU>(menu), position, flags);
}

intptr_t Shell32Dynamic::ShellExecuteA(uintptr_t window, const char* operation, const char* file,
                                       const char* parameters, const char* directory,
                                       int32_t show) {
  return reinterpret_cast<intptr_t>(
      shellExecute_(reinterpret_cast<HWND>(window), operation, file, parameters, directory, show));
}

}  // namespace tivrel::win32
