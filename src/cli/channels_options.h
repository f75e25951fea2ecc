// tivrel-channels' command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sound/test_signal.h"

namespace tivrel {

struct ChannelsOptions {
  enum class Mode { kPlay, kHelp, kVersion };
  Mode mode = Mode::kPlay;
  // A number as tivrel-report --list shows it, "hw:C,D" or a card id;
  // nothing for device 0.
  std::optional<std::string> device;
  unsigned channels = 0;  // 0: as many as the device takes
  unsigned channel = 0;   // from 1; 0: every channel
  sound::SignalChoice signal;
  unsigned loops = 1;
  double seconds = 2;
  bool json = false;
};

// GNU style as tivrel-report's: --name=value or --name value, -c6 or -c 6,
// "--" ends the options; every argument is checked before anything is done.
// Empty optional: `error` says why.
std::optional<ChannelsOptions> ParseChannelsOptions(const std::vector<std::string>& args,
                                                    std::string& error);

std::string ChannelsHelpText();
std::string ChannelsVersionText();
inline constexpr const char* kChannelsTryHelp =
    "Try 'tivrel-channels --help' for more information.\n";

}  // namespace tivrel
