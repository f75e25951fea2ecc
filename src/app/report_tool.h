// tivrel-report: the Test command's report, of one output device or of every
// one, with the native format matrix and as JSON, for terminals and scripts.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/report_model.h"

namespace tivrel {

// The exit statuses, as --help lists them.
inline constexpr int kReportExitOk = 0;
inline constexpr int kReportExitNoDevice = 1;
inline constexpr int kReportExitQueryFailed = 2;
inline constexpr int kReportExitSystem = 3;
inline constexpr int kReportExitUsage = 64;
inline constexpr int kReportExitOutput = 74;

// The version of the JSON document's layout; docs/tivrel-report.schema.json.
inline constexpr int kReportJsonSchema = 1;

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

// args excludes the program name. `out` gets UTF-8 bytes to write as they are.
int RunReportTool(const std::vector<std::string>& args, ReportPlatform& platform, std::string& out,
                  std::string& err);

// A failed query for standard error: the device (as the service names it,
// else by number), the reason the window shows, and the system's own words
// when the service gave them.
std::string FailureMessage(const ProbeResult& probe, uint32_t device = 0);

// One JSON document (schema 1) for the devices.
std::string ReportJson(const std::vector<DeviceReport>& devices);

// The message for output that could not be written; `systemText` says why.
std::string OutputFailedMessage(const std::string& systemText);

}  // namespace tivrel
