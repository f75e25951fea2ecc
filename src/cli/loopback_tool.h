// tivrel-loopback, whatever plays and records underneath.
#pragma once

#include <string>
#include <vector>

#include "cli/duplex_io.h"

namespace tivrel {

inline constexpr int kLoopbackExitOk = 0;
inline constexpr int kLoopbackExitSetup = 1;   // no loopback, or clipping
inline constexpr int kLoopbackExitDevice = 2;  // a device could not be used
inline constexpr int kLoopbackExitSystem = 3;  // the audio library could not
inline constexpr int kLoopbackExitUsage = 64;
inline constexpr int kLoopbackExitOutput = 74;

// args excludes the program name. `out` and `err` are UTF-8.
int RunLoopbackTool(const std::vector<std::string>& args, DuplexIo& io, std::string& out,
                    std::string& err);

}  // namespace tivrel
