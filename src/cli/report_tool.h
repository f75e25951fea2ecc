// tivrel-report: the Test command's report, of one output device or of every
// one, with the native format matrix and as JSON, for terminals and scripts.
#pragma once

#include <string>
#include <vector>

#include "cli/device_report.h"
#include "cli/report_options.h"

namespace tivrel {

// The exit statuses, as --help lists them.
inline constexpr int kReportExitOk = 0;
inline constexpr int kReportExitNoDevice = 1;
inline constexpr int kReportExitQueryFailed = 2;
inline constexpr int kReportExitSystem = 3;
inline constexpr int kReportExitUsage = 64;
inline constexpr int kReportExitOutput = 74;

// args excludes the program name. `out` gets UTF-8 bytes to write as they are.
int RunReportTool(const std::vector<std::string>& args, ReportPlatform& platform, std::string& out,
                  std::string& err);

// The devices that the options ask for, each queried (and its matrix probed)
// as they say, all of one device list. False, with the reason on `err`, when
// --device names none of the devices there are; none when there is none.
bool CollectDevices(const ReportOptions& options, ReportPlatform& platform, DeviceReports& reports,
                    std::string& err);

}  // namespace tivrel
