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
  result.queryResult = waveOut.waveOutGetDevCapsA(deviceId, image.data(), kQuerySize);
  result.caps = FromImage(image, ansi);
  result.note = {};
  if (const auto* notes = dynamic_cast<const QueryNoteSource*>(&waveOut)) {
    result.note = notes->LastQueryNote();
  }
}

}  // namespace tivrel
