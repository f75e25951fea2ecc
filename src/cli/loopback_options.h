// tivrel-loopback's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tivrel {

struct LoopbackOptions {
  enum class Mode { Measure, Help, Version };
  Mode mode = Mode::Measure;
  std::string output;  // -D: empty for output device 0
  std::string input;   // -C: empty for input device 0
  int rate = 48000;
  bool rate_given = false;  // else 48000 where both take it, then the next usual rate
  std::string format;       // empty: the deepest both devices take
  double level_dbfs = -3;
  bool json = false;
  std::string plot;  // SVG file, empty for none
};

// The sample formats -F takes, deepest first.
const std::vector<std::string>& LoopbackFormats();

// Empty optional: `error` says why.
std::optional<LoopbackOptions> ParseLoopbackOptions(const std::vector<std::string>& args,
                                                    std::string& error);

std::string LoopbackHelpText();
std::string LoopbackVersionText();
inline constexpr const char* kLoopbackTryHelp =
    "Try 'tivrel-loopback --help' for more information.\n";

}  // namespace tivrel
