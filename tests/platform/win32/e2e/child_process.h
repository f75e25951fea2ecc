// Starting a program of ours under test as its own process, with a deadline
// on every wait. Used by the report tool's tests and the end-to-end driver.
#pragma once

#include <windows.h>

#include <string>

namespace tivrel::test {

// ctest passes Unix paths; Wine maps the Unix root to drive Z:.
inline std::wstring WindowsPath(const std::wstring& path) {
  if (path.empty() || path[0] != L'/') return path;
  std::wstring out = L"Z:" + path;
  for (auto& c : out) {
    if (c == L'/') c = L'\\';
  }
  return out;
}

inline std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

inline std::string Narrow(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

inline std::wstring Quote(const std::wstring& arg) { return L"\"" + arg + L"\""; }

// A started process; the handles close with it, and one still running at the
// end is ended, so a failing check leaves nothing behind.
class Child {
 public:
  Child() = default;
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    if (info_.hProcess != nullptr) {
      if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT)
        TerminateProcess(info_.hProcess, 99);
      CloseHandle(info_.hProcess);
      CloseHandle(info_.hThread);
    }
  }

  // stdOut/stdErr may be null (inherit nothing special).
  bool Start(const std::wstring& exe, const std::wstring& arguments, HANDLE stdOut = nullptr,
             HANDLE stdErr = nullptr) {
    std::wstring commandLine = Quote(exe) + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    BOOL inherit = FALSE;
    if (stdOut != nullptr || stdErr != nullptr) {
      startup.dwFlags = STARTF_USESTDHANDLES;
      startup.hStdInput = nullptr;
      startup.hStdOutput = stdOut;
      startup.hStdError = stdErr;
      inherit = TRUE;
    }
    return CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, inherit, 0, nullptr,
                          nullptr, &startup, &info_) != FALSE;
  }

  DWORD id() const { return info_.dwProcessId; }
  HANDLE handle() const { return info_.hProcess; }
  bool Running() const {
    return info_.hProcess != nullptr && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
  }
  // True when the process ended within the time; its status in `status`.
  bool Wait(DWORD milliseconds, DWORD* status = nullptr) {
    if (WaitForSingleObject(info_.hProcess, milliseconds) != WAIT_OBJECT_0) return false;
    if (status != nullptr) GetExitCodeProcess(info_.hProcess, status);
    return true;
  }

 private:
  PROCESS_INFORMATION info_{};
};

// A temporary file that a child writes through an inherited handle.
class CaptureFile {
 public:
  CaptureFile() {
    wchar_t dir[MAX_PATH];
    wchar_t name[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    GetTempFileNameW(dir, L"tiv", 0, name);
    path_ = name;
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    handle_ =
        CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
  }
  CaptureFile(const CaptureFile&) = delete;
  CaptureFile& operator=(const CaptureFile&) = delete;
  ~CaptureFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    DeleteFileW(path_.c_str());
  }
  HANDLE handle() const { return handle_; }
  std::string Read() const {
    std::string bytes;
    SetFilePointer(handle_, 0, nullptr, FILE_BEGIN);
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(handle_, buffer, sizeof buffer, &got, nullptr) && got > 0)
      bytes.append(buffer, got);
    return bytes;
  }

 private:
  std::wstring path_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace tivrel::test
