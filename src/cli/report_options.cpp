#include "cli/report_options.h"

#include <string_view>

#include "app/version.h"
#include "cli/option_scan.h"
#include "cli/text_output.h"

namespace tivrel {

namespace {

constexpr const char* kHelp =
    "Usage: tivrel-report [OPTION]...\n"
    "Reports what the audio devices can do. Without options, prints the report\n"
    "of output device 0 as the Test button of Tivrel writes it. Text is UTF-8;\n"
    "characters that would steer a terminal are written as \\xNN.\n"
    "\n"
    "  -l, --list        list the devices: number, location, name\n"
    "  -d, -D, --device=DEVICE\n"
    "                    the report of one device: its number as --list shows it,\n"
    "                    hw:C,D, or a card id (that card's first device)\n"
    "  -a, --all         the report of every device, one after another\n"
    "  -f, --formats     add the native format matrix: every sample format\n"
    "                    (U8, S16_LE, S24_3LE, S24_LE, S32_LE, FLOAT_LE, FLOAT64_LE),\n"
    "                    channel count (1 to the device's maximum, at most 32) and\n"
    "                    rate (8000 to 768000 Hz) that the device accepts\n"
    "  -c, --capture     input devices (microphones, line in) instead of outputs\n"
    "  -j, --json        one JSON document (schema 2) instead of text\n"
    "      --crlf        end lines with CR LF, as the window's report does\n"
    "  -h, --help        show this help and exit\n"
    "  -V, --version     show the version and exit\n"
    "\n"
    "Exit status:\n"
    "  0   the report was written\n"
    "  1   there is no device at all, whatever --device names\n"
    "  2   the query of a device failed (every other device is still reported)\n"
    "  3   the system's audio library or its configuration could not be used\n"
    "  64  the command line is wrong, or names a device that is not there\n"
    "  74  the output could not be written\n";

const std::vector<OptionDef> kOptions = {
    {"list", 'l', false},        {"device", 'd', true, "a device"},
    {"", 'D', true, "a device"}, {"all", 'a', false},
    {"formats", 'f', false},     {"json", 'j', false},
    {"capture", 'c', false},     {"crlf", 0, false},
    {"help", 'h', false},        {"version", 'V', false},
};

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
  if (def.longName == "crlf") {
    options.crlf = true;
    return true;
  }
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
    case 'c':
      options.direction = Direction::kCapture;
      return true;
    case 'l':
      return setMode(Mode::List);
    case 'a':
      return setMode(Mode::All);
    case 'd':
    case 'D':
      if (value->empty()) {
        error = "option '--device' needs a device";
        return false;
      }
      options.device = std::string(*value);
      return setMode(Mode::Device);
  }
  return false;
}

}  // namespace

std::optional<ReportOptions> ParseReportOptions(const std::vector<std::string>& args,
                                                std::string& error) {
  ReportOptions options;
  // --help and --version win over everything else; the first of them decides.
  std::optional<ReportOptions::Mode> first;
  const auto apply = [&](const OptionDef& def, std::optional<std::string_view> value) {
    return Apply(def, value, options, first, error);
  };
  if (!ScanOptions(args, kOptions, apply, error)) return std::nullopt;
  if (options.formats && options.mode == ReportOptions::Mode::List) {
    error = "--formats belongs to a report, not to --list";
    return std::nullopt;
  }
  // --help and --version answer a command line that is right in every other way.
  if (first) return ReportOptions{.mode = *first};
  return options;
}

std::string HelpText() { return kHelp; }

std::string VersionText() {
  return "tivrel-report " TIVREL_VERSION_DOTTED " (" TIVREL_PRODUCT_NAME ")\n";
}

}  // namespace tivrel
