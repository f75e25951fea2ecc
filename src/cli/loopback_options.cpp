#include "cli/loopback_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "app/version.h"
#include "cli/option_scan.h"
#include "cli/text_output.h"

namespace tivrel {
namespace {

constexpr const char* kHelp =
    "Usage: tivrel-loopback [OPTION]...\n"
    "Plays test signals out of an output and records them back through a cable to\n"
    "an input, then reports the round trip: latency, frequency response, noise,\n"
    "dynamic range, distortion and crosstalk. The set-up is checked first: no\n"
    "cable, inverted polarity, swapped channels, clipping. Takes about 14 s.\n"
    "\n"
    "  -D, --device=DEVICE   the output: its number as tivrel-report --list shows\n"
    "                        it, hw:C,D, a card id, or any ALSA PCM name\n"
    "  -C, --capture=DEVICE  the input, in the same forms (tivrel-report -c --list)\n"
    "  -r, --rate=HZ         the sample rate, 44100 to 768000 (default 48000 where\n"
    "                        both devices take it, else 44100, 96000, ...)\n"
    "  -F, --format=FORMAT   S32_LE, S24_LE, S24_3LE, S16_LE or FLOAT_LE\n"
    "                        (default the deepest that both devices take)\n"
    "      --level=DBFS      peak level of the test signals, -40 to 0 (default -3)\n"
    "  -j, --json            one JSON document instead of the table\n"
    "      --plot=FILE       write the frequency response and the spectra as SVG\n"
    "  -h, --help            show this help and exit\n"
    "  -V, --version         show the version and exit\n"
    "\n"
    "Exit status:\n"
    "  0   measured (warnings, if any, are in the report)\n"
    "  1   a set-up check failed: nothing came back, or the input clipped\n"
    "  2   a device could not be opened, played or recorded\n"
    "  3   the system's audio library or its configuration could not be used\n"
    "  64  the command line is wrong, or names no device\n"
    "  74  the output or the plot could not be written\n";

const std::vector<OptionDef> kOptions = {
    {"device", 'D', true, "a device"}, {"capture", 'C', true, "a device"},
    {"rate", 'r', true, "a rate"},     {"format", 'F', true, "a format"},
    {"level", 0, true, "a level"},     {"json", 'j', false},
    {"plot", 0, true, "a file"},       {"help", 'h', false},
    {"version", 'V', false},
};

bool Number(std::string_view text, double& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc{} && end == text.data() + text.size() && std::isfinite(value);
}

bool Apply(const OptionDef& def, std::string_view value, LoopbackOptions& o, std::string& error) {
  double number = 0;
  const std::string quoted = "'" + EscapeControls(value) + "'";
  switch (def.shortName != 0 ? def.shortName : def.longName[0]) {
    case 'D':
      o.output = value;
      return !value.empty() || (error = "option '--device' needs a device", false);
    case 'C':
      o.input = value;
      return !value.empty() || (error = "option '--capture' needs a device", false);
    case 'j':
      o.json = true;
      return true;
    case 'r':
      // 20 Hz to 20 kHz needs 44.1 kHz at least; the tones' FFTs an even size.
      if (Number(value, number) && number >= 44100 && number <= 768000 &&
          std::fmod(number, 2) == 0) {
        o.rate = static_cast<int>(number);
        o.rate_given = true;
        return true;
      }
      error = "invalid rate " + quoted + " (an even number of Hz, 44100 to 768000)";
      return false;
    case 'F':
      if (std::ranges::count(LoopbackFormats(), std::string(value)) != 0) {
        o.format = value;
        return true;
      }
      error = "invalid format " + quoted + " (S32_LE, S24_LE, S24_3LE, S16_LE, FLOAT_LE)";
      return false;
    case 'l':
      if (Number(value, number) && number >= -40 && number <= 0) {
        o.level_dbfs = number;
        return true;
      }
      error = "invalid level " + quoted + " (-40 to 0 dBFS)";
      return false;
    case 'p':
      o.plot = value;
      return !value.empty() || (error = "option '--plot' needs a file", false);
  }
  return false;
}

}  // namespace

const std::vector<std::string>& LoopbackFormats() {
  static const std::vector<std::string> formats{"FLOAT_LE", "S32_LE", "S24_LE", "S24_3LE",
                                                "S16_LE"};
  return formats;
}

std::optional<LoopbackOptions> ParseLoopbackOptions(const std::vector<std::string>& args,
                                                    std::string& error) {
  LoopbackOptions options;
  std::optional<LoopbackOptions::Mode> first;  // --help or --version, the first wins
  const auto apply = [&](const OptionDef& def, std::optional<std::string_view> value) {
    if (def.shortName == 'h' || def.shortName == 'V') {
      if (!first)
        first = def.shortName == 'h' ? LoopbackOptions::Mode::Help : LoopbackOptions::Mode::Version;
      return true;
    }
    return Apply(def, value.value_or(""), options, error);
  };
  if (!ScanOptions(args, kOptions, apply, error)) return std::nullopt;
  if (first) return LoopbackOptions{.mode = *first};
  return options;
}

std::string LoopbackHelpText() { return kHelp; }

std::string LoopbackVersionText() {
  return "tivrel-loopback " TIVREL_VERSION_DOTTED " (" TIVREL_PRODUCT_NAME ")\n";
}

}  // namespace tivrel
