#include "cli/report_tool.h"

#include <charconv>

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
  // The endpoint's matrix tries the same channel counts as the waveform one.
  const int channels = MatrixChannels(static_cast<uint16_t>(probe.caps.wChannels));
  report.endpoint = platform.DeviceEndpoint(number, formats ? channels : 0);
  if (formats) {
    FormatMatrix matrix;
    report.mixerMatrix = platform.MatrixIsTheMixers();
    // A device in use is never opened: its matrix comes from the files that
    // its query read, with the answer.
    if (auto described = DescribedMatrix(probe, channels)) {
      report.matrix = std::move(described);
      return report;
    }
    std::string systemText;
    report.matrixResult = platform.ProbeMatrix(number, channels, matrix, systemText);
    if (report.matrixResult == 0) {
      report.matrix = matrix;
    } else {
      report.matrixSystemText =
          systemText.empty() ? platform.SystemText(report.matrixResult) : systemText;
    }
  }
  return report;
}

// The device that --device names: its number as --list shows it, "hw:C,D",
// or a card id for that card's first device. Nothing when none is so named.
std::optional<uint32_t> FindDevice(const std::string& named,
                                   const std::vector<DeviceListing>& listings) {
  if (named.find_first_not_of("0123456789") == std::string::npos) {
    uint64_t n = 0;
    const auto [end, ec] = std::from_chars(named.data(), named.data() + named.size(), n);
    if (ec == std::errc{} && end == named.data() + named.size() && n < listings.size()) {
      return static_cast<uint32_t>(n);
    }
    return std::nullopt;
  }
  std::optional<uint32_t> found;
  for (uint32_t n = 0; n < listings.size(); ++n) {
    const DeviceLocation& l = listings[n].location;
    if (!l.hw.empty() && l.hw == named) return n;
    if (!l.cardId.empty() && l.cardId == named &&
        (!found || l.device < listings[*found].location.device)) {
      found = n;
    }
  }
  return found;
}

std::string NoSuchDevice(const std::string& named, size_t count, Direction direction) {
  const std::string kind = direction == Direction::kCapture ? "input" : "output";
  std::string there = count == 0   ? "there is no " + kind + " device"
                      : count == 1 ? "there is 1 " + kind + " device, 0"
                                   : "there are " + std::to_string(count) + " " + kind +
                                         " devices, 0 to " + std::to_string(count - 1);
  return "tivrel-report: no device '" + EscapeControls(named) + "': " + there +
         " (see tivrel-report --list)\n";
}

std::string NoDevice(Direction direction) {
  // The window's sentence; for inputs, the tool's own.
  if (direction == Direction::kCapture) return "tivrel-report: no input device was found\n";
  return "tivrel-report: " + Utf16ToUtf8(kNoDeviceMessage) + "\n";
}

// The cards that the device list had to leave out, and why.
std::string UnlistedMessages(ReportPlatform& platform) {
  std::string messages;
  for (const auto& why : platform.Unlisted())
    messages += "tivrel-report: " + EscapeControls(why) + "\n";
  return messages;
}

// Device 0 as the Test button reports it.
int RunDevice0(ReportPlatform& platform, Direction direction, std::string& out, std::string& err) {
  const ProbeResult probe = ProbeDevice0(platform.waveOut(), platform.ansi());
  err += UnlistedMessages(platform);
  if (!probe.HasDevice()) {
    err += NoDevice(direction);
    return kReportExitNoDevice;
  }
  err += DeviceMessages({.probe = probe});
  if (probe.queryResult != 0) return kReportExitQueryFailed;
  out += TerminalText(ReportLines(probe, direction));
  return kReportExitOk;
}

int ExitStatus(const std::vector<DeviceReport>& devices) {
  if (devices.empty()) return kReportExitNoDevice;
  for (const auto& d : devices) {
    if (d.probe.queryResult != 0 || d.matrixResult != 0) return kReportExitQueryFailed;
    if (d.endpoint && d.endpoint->exclusiveResult != 0) return kReportExitQueryFailed;
  }
  return kReportExitOk;
}

// Text lines end as the system's text files do, unless CR LF is asked for.
std::string LineEnds(std::string text, bool crlf) {
  if (crlf) return text;
  std::string lf;
  lf.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    lf += text[i];
  }
  return lf;
}

int Report(const ReportOptions& options, ReportPlatform& platform, std::string& out,
           std::string& err) {
  if (const auto why = platform.Unusable()) {
    err += "tivrel-report: " + EscapeControls(*why) + "\n";
    return kReportExitSystem;
  }
  const Direction direction = options.direction;
  platform.SetDirection(direction);
  if (options.mode == Mode::Device0 && !options.formats && !options.json) {
    return RunDevice0(platform, direction, out, err);
  }
  DeviceReports reports;
  if (!CollectDevices(options, platform, reports, err)) return kReportExitUsage;
  const std::vector<DeviceReport>& devices = reports.devices;
  if (options.json) {
    out += ReportJson(reports);
    for (const auto& d : devices) err += DeviceMessages(d);
  } else if (devices.empty()) {
    err += NoDevice(direction);
  } else if (options.mode == Mode::List) {
    out += ListText(reports);
  } else if (options.mode == Mode::All) {
    WriteAllText(devices, out, err);
  } else {
    WriteDeviceText(devices.front(), out, err);
  }
  return ExitStatus(devices);
}

}  // namespace

bool CollectDevices(const ReportOptions& options, ReportPlatform& platform, DeviceReports& reports,
                    std::string& err) {
  const std::vector<DeviceListing> listings = platform.ListDevices();
  err += UnlistedMessages(platform);
  reports = {.device0 = platform.Device0()};
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
    case Mode::Device: {
      // With no device at all, whatever is named: no device (status 1), as
      // for device 0.
      if (listings.empty()) break;
      const auto n = FindDevice(options.device, listings);
      if (!n) {
        err += NoSuchDevice(options.device, listings.size(), options.direction);
        return false;
      }
      devices.push_back(Query(platform, *n, listings, options.formats));
      break;
    }
    default:
      if (!listings.empty()) devices.push_back(Query(platform, 0, listings, options.formats));
      break;
  }
  return true;
}

int RunReportTool(const std::vector<std::string>& args, ReportPlatform& platform, std::string& out,
                  std::string& err) {
  std::string error;
  const auto options = ParseReportOptions(args, error);
  if (!options) {
    err += "tivrel-report: " + error + "\n" + kTryHelp;
    return kReportExitUsage;
  }
  if (options->mode == Mode::Help) {
    out += HelpText();
    return kReportExitOk;
  }
  if (options->mode == Mode::Version) {
    out += VersionText();
    return kReportExitOk;
  }
  std::string text;
  const int status = Report(*options, platform, text, err);
  out += options->json ? text
                       : LineEnds(std::move(text), options->crlf || platform.LinesEndWithCrLf());
  return status;
}

}  // namespace tivrel
