// tivrel-report's view of ALSA: the playback devices with where they live,
// and the native format matrix of each, tested on the hardware device.
#pragma once

#include <string>
#include <vector>

#include "platform/linux/alsa/wave_out.h"
#include "probe/report_platform.h"

namespace tivrel::alsa {

class AlsaReportPlatform final : public ReportPlatform {
 public:
  // `ansi` must outlive this.
  AlsaReportPlatform(const AnsiCodec& ansi, AlsaOptions options);

  std::optional<std::string> Unusable() override;
  void SetDirection(Direction direction) override;
  WaveOutApi& waveOut() override { return waveOut_; }
  const AnsiCodec& ansi() override { return ansi_; }
  // The service's device list, made afresh: the queries and matrices that
  // follow are of it.
  std::vector<DeviceListing> ListDevices() override;
  std::vector<std::string> Unlisted() override;
  uint32_t ProbeMatrix(uint32_t device, int channels, FormatMatrix& matrix,
                       std::string& systemText) override;
  std::optional<Device0Reason> Device0() override;

 private:
  const AnsiCodec& ansi_;
  AlsaOptions options_;
  AlsaWaveOut waveOut_;
};

}  // namespace tivrel::alsa
