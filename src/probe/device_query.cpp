#include "probe/device_query.h"

namespace tivrel {

ProbeResult ProbeDevice0(WaveOutApi& waveOut, const AnsiCodec& ansi) {
  ProbeResult result;
  result.deviceCount = static_cast<int32_t>(waveOut.waveOutGetNumDevs());
  if (!result.HasDevice()) return result;
  QueryDevice(waveOut, ansi, 0, result);
  return result;
}

void QueryDevice(WaveOutApi& waveOut, const AnsiCodec& ansi, uintptr_t deviceId,
                 ProbeResult& result) {
  // The record crosses the boundary as its ANSI image, converted right before
  // the call and back right after it, whatever the call answered.
  CapsImage image = ToImage(WAVEOUTCAPS{}, ansi);
  result.note = {};
  result.queryResult = waveOut.QueryDevCaps(deviceId, image.data(), kQuerySize, result.note);
  result.caps = FromImage(image, ansi);
}

InUse DeviceInUse(const ProbeResult& probe) {
  if (probe.queryResult == kMmSysErrAllocated) return InUse::kRefused;
  if (probe.queryResult == kMmSysErrNoError && !probe.note.sources.empty()) {
    return InUse::kDescribed;
  }
  return InUse::kNo;
}

std::optional<FormatMatrix> DescribedMatrix(const ProbeResult& probe, int channels) {
  if (DeviceInUse(probe) != InUse::kDescribed || !probe.note.described) return std::nullopt;
  FormatMatrix matrix = ProbeFormatMatrix(channels, probe.note.described);
  matrix.sources = probe.note.sources;
  return matrix;
}

}  // namespace tivrel
