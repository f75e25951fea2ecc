// tivrel-report.exe: the core's report tool over Windows waveform audio.
#include <windows.h>

#include <string>
#include <vector>

#include "cli/report_tool.h"
#include "cli/text_output.h"
#include "framework/ansi_codec.h"
#include "platform/win32/services/console_output.h"
#include "platform/win32/services/report_platform.h"
#include "platform/win32/services/services.h"
#include "platform/win32/services/utf8.h"

namespace {

using tivrel::win32::Utf8;
using tivrel::win32::WriteAll;

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
    // A reader that went away: end quietly, as other tools do.
    if (tivrel::win32::ReaderGone(error)) return tivrel::kReportExitOutput;
    err += tivrel::OutputFailedMessage(SystemText(error));
    status = tivrel::kReportExitOutput;
  }
  WriteAll(STD_ERROR_HANDLE, err);
  return status;
}
