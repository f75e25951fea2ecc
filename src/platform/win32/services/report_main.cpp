// tivrel-report.exe: the Test command's report for device 0 on standard output.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/report_tool.h"
#include "framework/ansi_codec.h"
#include "platform/win32/services/services.h"

namespace {

// A Windows-level failure (the library or a function missing).
constexpr int kExitPlatformError = 3;

// Arguments arrive as UTF-16 (wmain): an unknown option is echoed in UTF-8
// without a detour through the ANSI code page.
std::vector<std::string> Arguments(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
    std::string arg(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, arg.data(), n, nullptr, nullptr);
    args.push_back(std::move(arg));
  }
  return args;
}

void WriteAll(FILE* stream, const std::string& bytes) {
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), stream);
  std::fflush(stream);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // UTF-8 bytes and CR LF line ends go out exactly as the tool made them.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);

  tivrel::win32::WaveOutWinmm waveOut;
  const auto ansi = tivrel::MakeSystemAnsiCodec();
  std::string out;
  std::string err;
  int status;
  try {
    status = tivrel::RunReportTool(Arguments(argc, argv), waveOut, *ansi, out, err);
  } catch (const std::exception& e) {
    err += std::string("tivrel-report: ") + e.what() + "\n";
    status = kExitPlatformError;
  }
  WriteAll(stdout, out);
  WriteAll(stderr, err);
  return status;
}
