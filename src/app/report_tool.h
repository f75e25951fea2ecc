// tivrel-report: the Test command's report for device 0 on standard output,
// for terminals and scripts.
#pragma once

#include <string>
#include <vector>

#include "framework/ansi_codec.h"
#include "framework/platform_api.h"
#include "probe/test_command.h"

namespace tivrel {

inline constexpr int kReportExitOk = 0;
inline constexpr int kReportExitNoDevice = 1;
inline constexpr int kReportExitQueryFailed = 2;
inline constexpr int kReportExitUsage = 64;

// args excludes the program name. `out` gets UTF-8 bytes to write as they are.
int RunReportTool(const std::vector<std::string>& args, WaveOutApi& waveOut, const AnsiCodec& ansi,
                  std::string& out, std::string& err);

// A failed query for standard error: the device, the reason the window
// shows, and the system's own words when the service gave them.
std::string FailureMessage(const ProbeResult& probe);

}  // namespace tivrel
