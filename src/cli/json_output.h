// tivrel-report's JSON document. The layout is versioned ("schema") and
// described by docs/tivrel-report.schema.json; change both together.
#pragma once

#include <string>
#include <vector>

#include "cli/device_report.h"

namespace tivrel {

// The version of the document's layout.
inline constexpr int kReportJsonSchema = 2;

// One JSON document for the devices, with a line end.
std::string ReportJson(const DeviceReports& reports);

}  // namespace tivrel
