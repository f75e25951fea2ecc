#include "cli/report_tool.h"

#include "cli/json_output.h"
#include "cli/text_output.h"
#include "framework/text.h"
#include "probe/report_text.h"

namespace tivrel {

namespace {

using Mode = ReportOptions::Mode;

DeviceReport Query(ReportPlatform& platform, uint32_t number,
                   const std::vector<DeviceListing>& listings, bool formats) {
  DeviceReport report;
  report.number = number;
  report.queried = true;
  if (number < listings.size()) report.listing = listings[number];
  // The same call, size and record conversion as the Test command's.
  ProbeResult& probe = report.probe;
  QueryDevice(platform.waveOut(), platform.ansi(), number, probe);
  probe.deviceCount = static_cast<int32_t>(listings.size());
  if (probe.queryResult != 0) {
    if (probe.note.systemText.empty())
      probe.note.systemText = platform.SystemText(probe.queryResult);
    return report;
  }
  if (report.listing.name.empty()) report.listing.name = Utf16ToUtf8(ProductName(probe.caps));
  if (formats) {
    FormatMatrix matrix;
    const int channels = MatrixChannels(static_cast<uint16_t>(probe.caps.wChannels));
    report.matrixResult = platform.ProbeMatrix(number, channels, matrix);
    if (report.matrixResult == 0) {
      report.matrix = matrix;
    } else {
      report.matrixSystemText = platform.SystemText(report.matrixResult);
    }
  }
  return report;
}

// Exactly what the Test button writes, for the command line without options.
int RunDevice0(ReportPlatform& platform, std::string& out, std::string& err) {
  const ProbeResult probe = ProbeDevice0(platform.waveOut(), platform.ansi());
  if (!probe.HasDevice()) {
    out += Utf16ToUtf8(kNoDeviceMessage);
    return kReportExitNoDevice;
  }
  err += DeviceMessages({.probe = probe});
  if (probe.queryResult != 0) return kReportExitQueryFailed;
  for (const auto& line : ReportLines(probe)) out += Utf16ToUtf8(line);
  return kReportExitOk;
}

int ExitStatus(const std::vector<DeviceReport>& devices) {
  if (devices.empty()) return kReportExitNoDevice;
  for (const auto& d : devices) {
    if (d.probe.queryResult != 0 || d.matrixResult != 0) return kReportExitQueryFailed;
  }
  return kReportExitOk;
}

}  // namespace

DeviceReports CollectDevices(const ReportOptions& options, ReportPlatform& platform) {
  const std::vector<DeviceListing> listings = platform.ListDevices();
  DeviceReports reports{.device0 = platform.Device0()};
  std::vector<DeviceReport>& devices = reports.devices;
  switch (options.mode) {
    case Mode::List:
      for (uint32_t n = 0; n < listings.size(); ++n) {
        devices.push_back({.number = n, .listing = listings[n]});
      }
      break;
    case Mode::All:
      for (uint32_t n = 0; n < listings.size(); ++n) {
        devices.push_back(Query(platform, n, listings, options.formats));
      }
      break;
    default:
      if (!listings.empty()) {
        const uint32_t n = options.mode == Mode::Device ? options.device : 0;
        devices.push_back(Query(platform, n, listings, options.formats));
      }
      break;
  }
  return reports;
}

int RunReportTool(const std::vector<std::string>& args, ReportPlatform& platform, std::string& out,
                  std::string& err) {
  std::string error;
  const auto options = ParseReportOptions(args, error);
  if (!options) {
    err += "tivrel-report: " + error + "\n" + kTryHelp;
    return kReportExitUsage;
  }
  switch (options->mode) {
    case Mode::Help:
      out += HelpText();
      return kReportExitOk;
    case Mode::Version:
      out += VersionText();
      return kReportExitOk;
    case Mode::Device0:
      if (!options->formats && !options->json) return RunDevice0(platform, out, err);
      break;
    default:
      break;
  }

  const DeviceReports reports = CollectDevices(*options, platform);
  const std::vector<DeviceReport>& devices = reports.devices;
  if (options->json) {
    out += ReportJson(reports);
    for (const auto& d : devices) err += DeviceMessages(d);
  } else if (devices.empty()) {
    out += Utf16ToUtf8(kNoDeviceMessage);
  } else if (options->mode == Mode::List) {
    out += ListText(reports);
  } else if (options->mode == Mode::All) {
    WriteAllText(devices, out, err);
  } else {
    WriteDeviceText(devices.front(), out, err);
  }
  return ExitStatus(devices);
}

}  // namespace tivrel
