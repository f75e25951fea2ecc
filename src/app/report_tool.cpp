#include "app/report_tool.h"

#include <charconv>

#include "app/version.h"
#include "framework/text.h"
#include "probe/report_text.h"

namespace tivrel {

namespace {

constexpr const char* kHelp =
    "Usage: tivrel-report [OPTION]...\n"
    "Reports what the audio output devices can do. Without options, prints the\n"
    "report of device 0 exactly as the Test button of Tivrel writes it.\n"
    "Text is UTF-8 with CR LF line ends.\n"
    "\n"
    "  -l, --list        list the output devices: number, location, name\n"
    "  -d, --device=N    the report of device N (numbered as --list shows them)\n"
    "  -a, --all         the report of every device, one after another\n"
    "  -f, --formats     add the native format matrix: every sample format\n"
    "                    (U8, S16_LE, S24_3LE, S24_LE, S32_LE, FLOAT_LE, FLOAT64_LE),\n"
    "                    channel count (1 to the device's maximum, at most 32) and\n"
    "                    rate (8000 to 768000 Hz) that the device accepts\n"
    "  -j, --json        one JSON document (schema 1) instead of text\n"
    "  -h, --help        show this help and exit\n"
    "  -V, --version     show the version and exit\n"
    "\n"
    "Exit status:\n"
    "  0   the report was written\n"
    "  1   there is no output device\n"
    "  2   the query of a device failed (every other device is still reported)\n"
    "  3   the system's audio library could not be used\n"
    "  64  the command line is wrong\n"
    "  74  the output could not be written\n";

constexpr const char* kTryHelp = "Try 'tivrel-report --help' for more information.\n";

struct OptionDef {
  std::string_view longName;
  char shortName;
  bool takesValue;
};
constexpr OptionDef kOptions[] = {
    {"list", 'l', false}, {"device", 'd', true}, {"all", 'a', false},     {"formats", 'f', false},
    {"json", 'j', false}, {"help", 'h', false},  {"version", 'V', false},
};

std::string Quoted(std::string_view arg) { return "'" + EscapeControls(arg) + "'"; }

std::optional<uint32_t> DeviceNumber(std::string_view text) {
  uint32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || value > 0x7FFFFFFF) {
    return std::nullopt;
  }
  return value;
}

// Folds one option into `options`; false with `error` set when it cannot be.
bool Apply(const OptionDef& def, std::optional<std::string_view> value, ReportOptions& options,
           std::optional<ReportOptions::Mode>& first, std::string& error) {
  using Mode = ReportOptions::Mode;
  auto setMode = [&](Mode mode) {
    if (options.mode != Mode::Device0 && options.mode != mode) {
      error = "only one of --list, --device and --all may be given";
      return false;
    }
    options.mode = mode;
    return true;
  };
  switch (def.shortName) {
    case 'h':
      if (!first) first = Mode::Help;
      return true;
    case 'V':
      if (!first) first = Mode::Version;
      return true;
    case 'f':
      options.formats = true;
      return true;
    case 'j':
      options.json = true;
      return true;
    case 'l':
      return setMode(Mode::List);
    case 'a':
      return setMode(Mode::All);
    case 'd': {
      const auto n = DeviceNumber(*value);
      if (!n) {
        error = "invalid device number " + Quoted(*value);
        return false;
      }
      options.device = *n;
      return setMode(Mode::Device);
    }
  }
  return false;
}

}  // namespace

std::optional<ReportOptions> ParseReportOptions(const std::vector<std::string>& args,
                                                std::string& error) {
  ReportOptions options;
  // --help and --version win over everything else; the first of them decides.
  std::optional<ReportOptions::Mode> first;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      error = "unexpected argument " + Quoted(arg);
      return std::nullopt;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg[1] == '-') {
      const size_t eq = arg.find('=');
      const std::string_view name = arg.substr(2, eq == std::string_view::npos ? eq : eq - 2);
      const OptionDef* def = nullptr;
      for (const auto& o : kOptions) {
        if (o.longName == name) def = &o;
      }
      if (def == nullptr) {
        error = "unknown option " + Quoted(arg.substr(0, eq));
        return std::nullopt;
      }
      std::optional<std::string_view> value;
      if (eq != std::string_view::npos) {
        if (!def->takesValue) {
          error = "option '--" + std::string(name) + "' takes no value";
          return std::nullopt;
        }
        value = arg.substr(eq + 1);
      } else if (def->takesValue) {
        if (i + 1 >= args.size()) {
          error = "option '--" + std::string(name) + "' needs a device number";
          return std::nullopt;
        }
        value = args[++i];
      }
      if (!Apply(*def, value, options, first, error)) return std::nullopt;
      continue;
    }
    for (size_t k = 1; k < arg.size(); ++k) {
      const OptionDef* def = nullptr;
      for (const auto& o : kOptions) {
        if (o.shortName == arg[k]) def = &o;
      }
      if (def == nullptr) {
        error = "unknown option " + Quoted(std::string("-") + arg[k]);
        return std::nullopt;
      }
      std::optional<std::string_view> value;
      if (def->takesValue) {
        if (k + 1 < arg.size()) {
          value = arg.substr(k + 1);
        } else if (i + 1 < args.size()) {
          value = args[++i];
        } else {
          error = "option '-" + std::string(1, arg[k]) + "' needs a device number";
          return std::nullopt;
        }
      }
      if (!Apply(*def, value, options, first, error)) return std::nullopt;
      if (def->takesValue) break;
    }
  }
  if (first) return ReportOptions{.mode = *first};
  if (options.formats && options.mode == ReportOptions::Mode::List) {
    error = "--formats belongs to a report, not to --list";
    return std::nullopt;
  }
  return options;
}

std::string FailureMessage(const ProbeResult& probe, uint32_t device) {
  // The window's words, then which device and what the system said.
  std::string message = "tivrel-report: ";
  message += probe.note.device.empty() ? "device " + std::to_string(device) : probe.note.device;
  message += ": " + Utf16ToUtf8(FailureText(probe));
  if (!probe.note.systemText.empty()) message += " (" + probe.note.systemText + ")";
  return message + "\n";
}

std::string OutputFailedMessage(const std::string& systemText) {
  return "tivrel-report: the report could not be written: " + systemText + "\n";
}

namespace {

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
    if (report.matrixResult == 0) report.matrix = matrix;
  }
  return report;
}

// The matrix's failure as the query's would be told.
ProbeResult MatrixFailure(const DeviceReport& d, ReportPlatform& platform) {
  ProbeResult failure;
  failure.queryResult = d.matrixResult;
  const std::string& name =
      d.probe.note.device.empty() ? d.listing.location.hw : d.probe.note.device;
  failure.note.device =
      "the format matrix of " + (name.empty() ? "device " + std::to_string(d.number) : name);
  failure.note.systemText = platform.SystemText(d.matrixResult);
  return failure;
}

// The report of one device as text, its failures on `err`.
void WriteDeviceText(const DeviceReport& d, ReportPlatform& platform, std::string& out,
                     std::string& err) {
  if (d.probe.queryResult != 0) {
    err += FailureMessage(d.probe, d.number);
    return;
  }
  for (const auto& line : ReportLines(d.probe)) out += Utf16ToUtf8(line);
  if (d.matrix) {
    for (const auto& line : MatrixLines(*d.matrix)) out += Utf16ToUtf8(line);
  } else if (d.matrixResult != 0) {
    err += FailureMessage(MatrixFailure(d, platform));
  }
}

}  // namespace

int RunReportTool(const std::vector<std::string>& args, ReportPlatform& platform, std::string& out,
                  std::string& err) {
  using Mode = ReportOptions::Mode;
  std::string error;
  const auto options = ParseReportOptions(args, error);
  if (!options) {
    err += "tivrel-report: " + error + "\n" + kTryHelp;
    return kReportExitUsage;
  }
  if (options->mode == Mode::Help) {
    out += kHelp;
    return kReportExitOk;
  }
  if (options->mode == Mode::Version) {
    out += "tivrel-report " TIVREL_VERSION_DOTTED " (" TIVREL_PRODUCT_NAME ")\n";
    return kReportExitOk;
  }

  if (options->mode == Mode::Device0 && !options->formats && !options->json) {
    // Exactly what the Test button writes.
    const ProbeResult probe = ProbeDevice0(platform.waveOut(), platform.ansi());
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

  const std::vector<DeviceListing> listings = platform.ListDevices();
  std::vector<DeviceReport> devices;
  if (options->mode == Mode::List) {
    for (uint32_t n = 0; n < listings.size(); ++n) {
      devices.push_back({.number = n, .listing = listings[n]});
    }
  } else if (options->mode == Mode::All) {
    for (uint32_t n = 0; n < listings.size(); ++n) {
      devices.push_back(Query(platform, n, listings, options->formats));
    }
  } else if (static_cast<int32_t>(platform.waveOut().waveOutGetNumDevs()) >= 1) {
    const uint32_t n = options->mode == Mode::Device ? options->device : 0;
    devices.push_back(Query(platform, n, listings, options->formats));
  }

  bool failed = false;
  for (const auto& d : devices) failed = failed || d.probe.queryResult != 0 || d.matrixResult != 0;
  if (options->json) {
    out += ReportJson(devices);
    for (const auto& d : devices) {
      if (d.probe.queryResult != 0) {
        err += FailureMessage(d.probe, d.number);
      } else if (d.matrixResult != 0) {
        err += FailureMessage(MatrixFailure(d, platform));
      }
    }
  } else if (devices.empty()) {
    out += Utf16ToUtf8(kNoDeviceMessage);
  } else if (options->mode == Mode::List) {
    for (const auto& d : devices) {
      out += std::to_string(d.number) + "  " + EscapeControls(LocationText(d.listing.location)) +
             "  " + EscapeControls(d.listing.name) + "\r\n";
    }
  } else if (options->mode == Mode::All) {
    for (size_t i = 0; i < devices.size(); ++i) {
      const auto& d = devices[i];
      if (i > 0) out += "\r\n";
      out += "设备 " + std::to_string(d.number) + "（" +
             EscapeControls(LocationText(d.listing.location)) + "）：\r\n";
      if (d.probe.queryResult != 0) out += Utf16ToUtf8(FailureText(d.probe)) + "\r\n";
      WriteDeviceText(d, platform, out, err);
    }
  } else {
    WriteDeviceText(devices.front(), platform, out, err);
  }
  if (devices.empty()) return kReportExitNoDevice;
  return failed ? kReportExitQueryFailed : kReportExitOk;
}

}  // namespace tivrel
