#include "app/report_tool.h"

#include "app/version.h"
#include "framework/text.h"
#include "probe/test_command.h"

namespace tivrel {

std::string MmResultText(uint32_t result) {
  std::string words;
  switch (result) {
    case kMmSysErrError:
      words = "unspecified error (MMSYSERR_ERROR)";
      break;
    case kMmSysErrBadDeviceId:
      words = "no such device (MMSYSERR_BADDEVICEID)";
      break;
    case kMmSysErrAllocated:
      words = "the device is in use by another program (MMSYSERR_ALLOCATED)";
      break;
    case kMmSysErrNoDriver:
      words = "no driver for the device (MMSYSERR_NODRIVER)";
      break;
    case kMmSysErrNoMem:
      words = "out of memory (MMSYSERR_NOMEM)";
      break;
    default:
      words = "error";
      break;
  }
  return words + ", code " + std::to_string(result);
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
    err += "tivrel-report: the capability query of device 0 failed: " +
           MmResultText(probe.queryResult) + "\n";
    return kReportExitQueryFailed;
  }
  for (const auto& line : ReportLines(probe.caps)) out += Utf16ToUtf8(line);
  return kReportExitOk;
}

}  // namespace tivrel
