// What tivrel-report learns about each device before it is written as text or
// JSON.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "probe/device_query.h"
#include "probe/format_matrix.h"
#include "probe/report_platform.h"

namespace tivrel {

// One device as tivrel-report writes it.
struct DeviceReport {
  uint32_t number = 0;
  DeviceListing listing;
  bool queried = false;  // false for --list
  ProbeResult probe;     // the capability query: result, record and note
  std::optional<FormatMatrix> matrix;
  uint32_t matrixResult = 0;     // when the matrix was asked for and could not be probed
  std::string matrixSystemText;  // the system's words for matrixResult
  bool mixerMatrix = false;      // the matrix is what the system's mixer accepts
  std::optional<Endpoint> endpoint;
};

// What one command reports: its devices, and how device 0 was chosen.
struct DeviceReports {
  std::vector<DeviceReport> devices;
  std::optional<Device0Reason> device0;
};

}  // namespace tivrel
