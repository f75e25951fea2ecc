// tivrel-report's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tivrel {

struct ReportOptions {
  enum class Mode { Device0, List, Device, All, Help, Version };
  Mode mode = Mode::Device0;
  uint32_t device = 0;  // for Mode::Device
  bool formats = false;
  bool json = false;
};

// GNU style: long options (--device=N or --device N), short ones grouped
// (-af, -d3), "--" ends the options. Every argument is read before anything
// is done, so that a bad one is refused wherever it stands. Empty optional:
// `error` says why.
std::optional<ReportOptions> ParseReportOptions(const std::vector<std::string>& args,
                                                std::string& error);

// What --help and --version print.
std::string HelpText();
std::string VersionText();
// The last line of a usage error.
inline constexpr const char* kTryHelp = "Try 'tivrel-report --help' for more information.\n";

}  // namespace tivrel
