// tivrel-report.exe: the core's report tool over Windows waveform audio.
#include <windows.h>

#include <string>
#include <vector>

#include "cli/report_tool.h"
#include "cli/text_output.h"
#include "framework/ansi_codec.h"
#include "platform/win32/services/report_platform.h"
#include "platform/win32/services/services.h"
#include "platform/win32/services/utf8.h"

namespace {

using tivrel::win32::Utf8;
using tivrel::win32::Wide;

// Arguments arrive as UTF-16 (wmain): an unknown option is echoed in UTF-8
// without a detour through the ANSI code page.
std::vector<std::string> Arguments(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(Utf8(argv[i]));
  return args;
}

std::string SystemText(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string words = n > 0 ? Utf8({text, n}) : std::string();
  LocalFree(text);
  while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' ')) {
    words.pop_back();
  }
  return (words.empty() ? "error" : words) + " (" + std::to_string(error) + ")";
}

// 0, or the Windows error of the write that failed. A console gets the text
// as UTF-16, so that Chinese shows whatever its code page; anything else (a
// file, a pipe) gets the UTF-8 bytes as they are.
DWORD WriteAll(DWORD which, const std::string& bytes) {
  if (bytes.empty()) return 0;
  const HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return ERROR_INVALID_HANDLE;
  DWORD mode = 0;
  if (GetFileType(handle) == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode)) {
    const std::wstring text = Wide(bytes);
    for (size_t done = 0; done < text.size();) {
      DWORD written = 0;
      const auto chunk = static_cast<DWORD>(std::min<size_t>(text.size() - done, 8192));
      if (!WriteConsoleW(handle, text.data() + done, chunk, &written, nullptr) || written == 0) {
        return GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
      }
      done += written;
    }
    return 0;
  }
  for (size_t done = 0; done < bytes.size();) {
    DWORD written = 0;
    const auto chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
    if (!WriteFile(handle, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      return GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
    }
    done += written;
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  tivrel::win32::LoadDllsFromTheSystemFolderOnly();
  tivrel::win32::WaveOutWinmm waveOut;
  const auto ansi = tivrel::MakeSystemAnsiCodec();
  tivrel::win32::WinReportPlatform platform(waveOut, *ansi);
  std::string out;
  std::string err;
  int status;
  try {
    status = tivrel::RunReportTool(Arguments(argc, argv), platform, out, err);
  } catch (const std::exception& e) {
    // A Windows-level failure: the library or a function missing.
    err += std::string("tivrel-report: ") + e.what() + "\n";
    status = tivrel::kReportExitSystem;
  }
  if (const DWORD error = WriteAll(STD_OUTPUT_HANDLE, out); error != 0) {
    // A reader that went away: end quietly, as other tools do. Windows says
    // so as a broken pipe or a pipe being closed, Wine (from the Unix EPIPE)
    // as a pipe not connected.
    if (error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA || error == ERROR_PIPE_NOT_CONNECTED) {
      return tivrel::kReportExitOutput;
    }
    err += tivrel::OutputFailedMessage(SystemText(error));
    status = tivrel::kReportExitOutput;
  }
  WriteAll(STD_ERROR_HANDLE, err);
  return status;
}
