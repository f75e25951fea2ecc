#include "platform/linux/alsa/report_platform.h"

#include "platform/linux/alsa/kernel_files.h"
#include "platform/linux/alsa/pcm_probe.h"

namespace tivrel::alsa {

AlsaReportPlatform::AlsaReportPlatform(const AnsiCodec& ansi, AlsaOptions options)
    : ansi_(ansi), options_(options), waveOut_(ansi, std::move(options)) {}

std::vector<DeviceListing> AlsaReportPlatform::ListDevices() {
  std::vector<DeviceListing> list;
  for (const auto& d : waveOut_.Refresh().devices) {
    DeviceListing l;
    l.name = d.name;
    l.location = {.card = d.card,
                  .device = d.device,
                  .hw = d.HwName(),
                  .cardId = d.cardId,
                  .driver = d.driver};
    list.push_back(std::move(l));
  }
  return list;
}

uint32_t AlsaReportPlatform::ProbeMatrix(uint32_t device, int channels, FormatMatrix& matrix) {
  const auto& devices = waveOut_.Devices().devices;
  if (device >= devices.size()) return kMmSysErrBadDeviceId;
  const CardDevice& d = devices[device];
  const QueryNote note = waveOut_.LastQueryNote();
  if (note.device == d.HwName() && !note.source.empty()) {
    // The query found the device busy and read the kernel's description;
    // the matrix comes from the same file, never from a guess.
    const auto stream = ReadUsbStream(options_.root, d.card, d.device);
    if (!stream) return kMmSysErrAllocated;
    matrix = ProbeFormatMatrix(channels, StreamTest(stream->altsets));
    matrix.source = stream->file;
    return kMmSysErrNoError;
  }
  return ProbePcmMatrix(d.HwName(), channels, matrix);
}

}  // namespace tivrel::alsa
