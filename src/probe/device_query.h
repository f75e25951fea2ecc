// One run of the capability query, as the Test command and tivrel-report make
// it: the device count and, with a device, one answer holding the result, the
// record and what the service added about it (in the same call).
#pragma once

#include <cstdint>

#include "framework/ansi_codec.h"
#include "framework/platform_api.h"
#include "probe/format_matrix.h"
#include "probe/query_note.h"
#include "probe/waveoutcaps.h"

namespace tivrel {

struct ProbeResult {
  int32_t deviceCount = 0;
  uint32_t queryResult = 0;  // meaningful when deviceCount >= 1
  WAVEOUTCAPS caps;
  QueryNote note;  // what the service added, when it can say more
  bool HasDevice() const { return deviceCount >= 1; }
};

// Whether the device was held by another program when asked, and what came
// of it: refused, or described from the system's files instead of measured.
enum class InUse { kNo, kRefused, kDescribed };
// The one place that says so; the report's lines, standard error and the
// JSON all ask here.
InUse DeviceInUse(const ProbeResult& probe);
// The matrix of a device described from the system's files, from what those
// files say, channels 1..channels; nothing for any other device, which is
// asked itself.
std::optional<FormatMatrix> DescribedMatrix(const ProbeResult& probe, int channels);

// Counts the devices and, with at least one, queries device 0.
ProbeResult ProbeDevice0(WaveOutApi& waveOut, const AnsiCodec& ansi);
// The query of one device, as for device 0; fills all of `result` but the count.
void QueryDevice(WaveOutApi& waveOut, const AnsiCodec& ansi, uintptr_t deviceId,
                 ProbeResult& result);

}  // namespace tivrel
