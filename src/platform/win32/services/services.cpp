#include "platform/win32/services/services.h"

#include "framework/error.h"

namespace tivrel::win32 {

namespace {

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

}  // namespace

void LoadDllsFromTheSystemFolderOnly() {
  using SetDirectories = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  const auto set = kernel32 ? reinterpret_cast<SetDirectories>(reinterpret_cast<void (*)()>(
                                  GetProcAddress(kernel32, "SetDefaultDllDirectories")))
                            : nullptr;
  if (!set || !set(LOAD_LIBRARY_SEARCH_SYSTEM32)) SetDllDirectoryW(L"");
}

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

void User32Dynamic::RemoveCloseCommand(FormId form) {
  const HWND window = windowOf_(form);
  (void)RemoveMenu(GetSystemMenu(window, FALSE), SC_CLOSE, MF_REMOVE);
}

void Shell32Dynamic::OpenUri(std::string_view ansiUri) {
  const std::string file(ansiUri);
  (void)ShellExecuteA(nullptr, nullptr, file.c_str(), nullptr, nullptr, SW_HIDE);
}

}  // namespace tivrel::win32
