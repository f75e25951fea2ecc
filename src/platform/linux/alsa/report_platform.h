// tivrel-report's view of ALSA: the playback devices with where they live,
// and the native format matrix of each, tested on the hardware device.
#pragma once

#include <string>
#include <vector>

#include "cli/device_report.h"
#include "platform/linux/alsa/alsa_waveout.h"

namespace tivrel::alsa {

// Opens `pcmName` for playback without blocking and tests every combination
// of the matrix, each on a fresh copy of the device's full parameter space.
// 0 or an MMSYSERR code.
uint32_t ProbePcmMatrix(const std::string& pcmName, int channels, FormatMatrix& matrix);
// The matrix as a USB device's stream file describes its playback altsets.
FormatMatrix StreamMatrix(const std::vector<UsbAltset>& altsets, int channels);

class AlsaReportPlatform final : public ReportPlatform {
 public:
  // `ansi` must outlive this.
  AlsaReportPlatform(const AnsiCodec& ansi, AlsaOptions options);

  WaveOutApi& waveOut() override { return waveOut_; }
  const AnsiCodec& ansi() override { return ansi_; }
  std::vector<DeviceListing> ListDevices() override;
  uint32_t ProbeMatrix(uint32_t device, int channels, FormatMatrix& matrix) override;

 private:
  const AnsiCodec& ansi_;
  AlsaOptions options_;
  AlsaWaveOut waveOut_;
  std::vector<DeviceListing> devices_;  // as last listed
};

}  // namespace tivrel::alsa
