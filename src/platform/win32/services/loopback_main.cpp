// tivrel-loopback.exe: the portable tool over Core Audio's endpoints of the
// waveform devices that tivrel-report.exe lists.
#include <windows.h>

#include <atomic>
#include <exception>
#include <string>
#include <vector>

#include "cli/loopback_tool.h"
#include "cli/text_output.h"
#include "framework/ansi_codec.h"
#include "platform/win32/services/console_output.h"
#include "platform/win32/services/report_platform.h"
#include "platform/win32/services/services.h"
#include "platform/win32/services/utf8.h"
#include "platform/win32/services/wasapi_duplex.h"

namespace {

using tivrel::win32::WriteAll;

std::atomic<bool> interrupted{false};

BOOL WINAPI OnControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
  interrupted = true;
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  tivrel::win32::LoadDllsFromTheSystemFolderOnly();
  SetConsoleCtrlHandler(OnControl, TRUE);
  tivrel::win32::WaveOutWinmm waveOut;
  const auto ansi = tivrel::MakeSystemAnsiCodec();
  tivrel::win32::WinReportPlatform devices(waveOut, *ansi);
  tivrel::win32::WasapiDuplex io(devices, [] { return interrupted.load(); });
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(tivrel::win32::Utf8(argv[i]));
  std::string out, err;
  int status;
  try {
    status = tivrel::RunLoopbackTool(args, io, out, err);
  } catch (const std::exception& e) {
    err += std::string("tivrel-loopback: ") + e.what() + "\n";
    status = tivrel::kLoopbackExitSystem;
  }
  if (const DWORD error = WriteAll(STD_OUTPUT_HANDLE, out); error != 0) {
    if (tivrel::win32::ReaderGone(error)) return tivrel::kLoopbackExitOutput;
    err += tivrel::OutputFailedMessage("Windows error " + std::to_string(error));
    status = tivrel::kLoopbackExitOutput;
  }
  WriteAll(STD_ERROR_HANDLE, err);
  return status;
}
