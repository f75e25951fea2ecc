// What the kernel tells of a playback device that someone else holds, so that
// it is described without being opened: a USB device's stream file, an HDA
// codec's converters, and what the device plays now.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/alsa/device_list.h"
#include "platform/linux/alsa/proc_parsers.h"
#include "probe/format_matrix.h"

namespace tivrel::alsa {

struct BusyDescription {
  CombinationTest accepts;           // the combinations the device takes, as far as the files tell
  unsigned maxChannels = 0;          // its largest channel count
  std::vector<std::string> sources;  // the files read, "/proc/..."
  std::optional<RunningParams> playing;  // what it plays now
};

// Nothing when the kernel says nothing of the device.
std::optional<BusyDescription> DescribeBusyDevice(const std::filesystem::path& root,
                                                  const CardDevice& device);

// The combinations that HDA converters take, as the HDA driver offers them on
// a PCM: 16-bit samples as S16_LE, 20 to 32 bits as S32_LE, 8-bit as U8,
// floats as FLOAT_LE; an even number of channels from 2 to `maxChannels`.
CombinationTest HdaTest(const std::vector<HdaConverter>& converters, unsigned maxChannels);
// The converters a PCM uses: for an output the digital ones for HDMI and
// S/PDIF, the analog ones else; for an input the analog ones. With the
// largest channel count the driver gives it.
std::vector<HdaConverter> PcmConverters(const std::vector<HdaConverter>& codec,
                                        const CardDevice& device, unsigned& maxChannels);

}  // namespace tivrel::alsa
