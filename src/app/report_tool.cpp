#include "app/report_tool.h"

#include "app/version.h"
#include "framework/text.h"
#include "probe/test_command.h"

namespace tivrel {

std::string FailureMessage(const ProbeResult& probe) {
  // The window's words, then which device and what the system said.
  std::string message = "tivrel-report: ";
  message += probe.note.device.empty() ? "device 0" : probe.note.device;
  message += ": " + Utf16ToUtf8(FailureText(probe));
  if (!probe.note.systemText.empty()) message += " (" + probe.note.systemText + ")";
  return message + "\n";
}

int RunReportTool(const std::vector<std::string>& args, WaveOutApi& waveOut, const AnsiCodec& ansi,
                  std::string& out, std::string& err) {
  for (const auto& arg : args) {
    if (arg == "--help" || arg == "-h") {
      out +=
          "Usage: tivrel-report [--help] [--version]\n"
          "Prints the sound-card report of the first audio output device, as the\n"
          "Test button writes it, in UTF-8 with CR LF line ends.\n"
          "Exit status: 0 report printed, 1 no device, 2 the query failed.\n";
      return kReportExitOk;
    }
    if (arg == "--version") {
      out += "tivrel-report " TIVREL_VERSION_DOTTED " (" TIVREL_PRODUCT_NAME ")\n";
      return kReportExitOk;
    }
    err += "tivrel-report: unknown option '" + arg + "'; see --help\n";
    return kReportExitUsage;
  }

  const ProbeResult probe = ProbeDevice0(waveOut, ansi);
  if (!probe.HasDevice()) {
    out += Utf16ToUtf8(kNoDeviceMessage);
    return kReportExitNoDevice;
  }
  if (probe.queryResult != 0) {
    err += FailureMessage(probe);
    return kReportExitQueryFailed;
  }
  for (const auto& line : ReportLines(probe)) out += Utf16ToUtf8(line);
  return kReportExitOk;
}

}  // namespace tivrel
