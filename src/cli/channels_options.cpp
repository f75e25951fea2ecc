#include "cli/channels_options.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "app/version.h"
#include "cli/text_output.h"

namespace tivrel {

namespace {

constexpr const char* kHelp =
    "Usage: tivrel-channels [OPTION]...\n"
    "Plays every channel of an output device in turn, each announced by the name\n"
    "the device gives its speaker, walking round the room from front left.\n"
    "\n"
    "  -D, --device=DEVICE   the device: its number as tivrel-report --list shows it,\n"
    "                        hw:C,D, or a card id (that card's first output);\n"
    "                        device 0 by default\n"
    "  -c, --channels=N      open N channels (default: as many as the device takes)\n"
    "  -s, --channel=N       play channel N alone (from 1)\n"
    "  -t, --signal=TYPE     pink (band-limited pink noise, the default) or sine\n"
    "  -f, --frequency=HZ    the sine's frequency (default 1000; pink noise has none)\n"
    "  -l, --loops=N         walk round N times (default 1)\n"
    "      --seconds=S       how long each channel plays (default 2)\n"
    "      --level=DBFS      RMS level, a full-scale sine being 0 dBFS (default -18)\n"
    "  -j, --json            after playing, one JSON document of the steps played\n"
    "  -h, --help            show this help and exit\n"
    "  -V, --version         show the version and exit\n"
    "\n"
    "Exit status:\n"
    "  0   every step was played\n"
    "  1   there is no output device at all\n"
    "  2   the device could not be opened or written to\n"
    "  3   the system's audio library or its configuration could not be used\n"
    "  64  the command line is wrong, or names no device\n"
    "  74  the output could not be written\n"
    "  130 stopped by Ctrl+C (SIGINT) or SIGTERM\n";

struct OptionDef {
  std::string_view longName;
  char shortName;
  bool takesValue;
};
constexpr OptionDef kOptions[] = {
    {"device", 'D', true}, {"channels", 'c', true},  {"channel", 's', true},
    {"signal", 't', true}, {"frequency", 'f', true}, {"loops", 'l', true},
    {"seconds", 0, true},  {"level", 0, true},       {"json", 'j', false},
    {"help", 'h', false},  {"version", 'V', false},
};

template <typename T>
bool Number(std::string_view text, T& value) {
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc{} && end == text.data() + text.size();
}

bool Count(std::string_view text, unsigned min, unsigned max, unsigned& value) {
  return Number(text, value) && value >= min && value <= max;
}

// Folds one option into `options`; false with `error` set when it cannot be.
bool Apply(const OptionDef& def, std::string_view value, ChannelsOptions& options,
           std::optional<ChannelsOptions::Mode>& first, std::string& error) {
  using Mode = ChannelsOptions::Mode;
  const std::string name =
      def.longName.empty() ? std::string(1, def.shortName) : std::string(def.longName);
  bool ok = true;
  if (name == "help" || name == "version") {
    if (!first) first = name == "help" ? Mode::kHelp : Mode::kVersion;
  } else if (name == "json") {
    options.json = true;
  } else if (name == "device") {
    options.device = std::string(value);
    ok = !value.empty();
  } else if (name == "channels") {
    ok = Count(value, 1, 64, options.channels);
  } else if (name == "channel") {
    ok = Count(value, 1, 64, options.channel);
  } else if (name == "loops") {
    ok = Count(value, 1, 1000000, options.loops);
  } else if (name == "signal") {
    ok = value == "pink" || value == "sine";
    options.signal.kind = value == "sine" ? sound::SignalKind::kSine : sound::SignalKind::kPink;
  } else if (name == "frequency") {
    ok = Number(value, options.signal.frequency) && options.signal.frequency > 0 &&
         options.signal.frequency < 1e6;
  } else if (name == "seconds") {
    ok = Number(value, options.seconds) && options.seconds >= 0.01 && options.seconds <= 3600;
  } else if (name == "level") {
    ok = Number(value, options.signal.levelDbfs) && options.signal.levelDbfs <= 0 &&
         options.signal.levelDbfs >= -120;
  }
  if (!ok)
    error = "invalid value '" + EscapeControls(value) + "' for --" + std::string(def.longName);
  return ok;
}

const OptionDef* FindOption(std::string_view longName, char shortName) {
  for (const auto& o : kOptions) {
    if (longName.empty() ? o.shortName == shortName && shortName != 0 : o.longName == longName)
      return &o;
  }
  return nullptr;
}

}  // namespace

std::optional<ChannelsOptions> ParseChannelsOptions(const std::vector<std::string>& args,
                                                    std::string& error) {
  ChannelsOptions options;
  std::optional<ChannelsOptions::Mode> first;  // the first of --help and --version
  bool ended = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (ended || arg.size() < 2 || arg[0] != '-') {
      error = "unexpected argument '" + EscapeControls(arg) + "'";
      return std::nullopt;
    }
    if (arg == "--") {
      ended = true;
      continue;
    }
    const bool isLong = arg[1] == '-';
    for (size_t k = 1; k < arg.size(); ++k) {
      const size_t eq = isLong ? arg.find('=') : std::string_view::npos;
      const std::string_view name = isLong ? arg.substr(2, eq == arg.npos ? eq : eq - 2) : "";
      const OptionDef* def = FindOption(name, isLong ? 0 : arg[k]);
      const std::string shown =
          isLong ? std::string(arg.substr(0, eq)) : "-" + std::string(1, arg[k]);
      if (def == nullptr) {
        error = "unknown option '" + EscapeControls(shown) + "'";
        return std::nullopt;
      }
      std::string_view value;
      if (isLong && eq != arg.npos) {
        if (!def->takesValue) {
          error = "option '" + shown + "' takes no value";
          return std::nullopt;
        }
        value = arg.substr(eq + 1);
      } else if (def->takesValue && !isLong && k + 1 < arg.size()) {
        value = arg.substr(k + 1);
      } else if (def->takesValue) {
        if (i + 1 >= args.size()) {
          error = "option '" + shown + "' needs a value";
          return std::nullopt;
        }
        value = args[++i];
      }
      if (!Apply(*def, value, options, first, error)) return std::nullopt;
      if (isLong || def->takesValue) break;
    }
  }
  if (options.channels != 0 && options.channel > options.channels) {
    error = "channel " + std::to_string(options.channel) + " is not among " +
            std::to_string(options.channels) + " channels";
    return std::nullopt;
  }
  if (first) return ChannelsOptions{.mode = *first};
  return options;
}

std::string ChannelsHelpText() { return kHelp; }

std::string ChannelsVersionText() {
  return "tivrel-channels " TIVREL_VERSION_DOTTED " (" TIVREL_PRODUCT_NAME ")\n";
}

}  // namespace tivrel
