#include "platform/linux/alsa/report_platform.h"

#include "platform/linux/alsa/busy_device.h"
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
  if (note.device == d.HwName() && !note.sources.empty()) {
    // The query found the device busy and read the kernel's description;
    // the matrix comes from the same files, never from a guess.
    const auto described = DescribeBusyDevice(options_.root, d);
    if (!described) return kMmSysErrAllocated;
    matrix = ProbeFormatMatrix(channels, described->accepts);
    matrix.sources = described->sources;
    return kMmSysErrNoError;
  }
  return ProbePcmMatrix(d.HwName(), channels, matrix);
}

std::optional<Device0Reason> AlsaReportPlatform::Device0() {
  const DeviceList& list = waveOut_.Devices();
  switch (list.rule) {
    case Device0Rule::kNone:
      return std::nullopt;
    case Device0Rule::kSoundServer:
      return Device0Reason{"sound-server", list.why};
    case Device0Rule::kAlsaDefault:
      return Device0Reason{"alsa-default", list.why};
    case Device0Rule::kFirstNotHdmi:
      return Device0Reason{"first-not-hdmi", list.why};
    case Device0Rule::kFirst:
      return Device0Reason{"first", list.why};
  }
  return std::nullopt;
}

}  // namespace tivrel::alsa
