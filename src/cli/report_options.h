// tivrel-report's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "probe/direction.h"

namespace tivrel {

struct ReportOptions {
  enum class Mode { Device0, List, Device, All, Help, Version };
  Mode mode = Mode::Device0;
  // Mode::Device: a number as --list shows it, "hw:C,D", or a card id.
  std::string device;
  bool formats = false;
  bool json = false;
  Direction direction = Direction::kPlayback;  // --capture: input devices
  bool crlf = false;                           // CR LF line ends, as the window's report has them
};

// GNU style: long options (--device=N or --device N), short ones grouped
// (-af, -d3), "--" ends the options. Every argument is checked before
// anything is done, --help and --version included, so that a bad one is
// refused wherever it stands. Empty optional: `error` says why.
std::optional<ReportOptions> ParseReportOptions(const std::vector<std::string>& args,
                                                std::string& error);

// What --help and --version print.
std::string HelpText();
std::string VersionText();
// The last line of a usage error.
inline constexpr const char* kTryHelp = "Try 'tivrel-report --help' for more information.\n";

}  // namespace tivrel
