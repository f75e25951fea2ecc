// What a PCM takes, asked without playing or recording anything: opened
// without blocking, its hardware parameter space tried one whole combination
// at a time. A busy USB device's stream file answers the same questions.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/alsa/kernel_formats.h"
#include "probe/format_matrix.h"

namespace tivrel::alsa {

// The device opened but has no parameter space at all.
inline constexpr int kHwParamsRefused = 1;

// Opens `pcmName` for the stream without blocking and hands `use` the
// device's largest channel count and a test of its full parameter space. 0, a
// negative errno, or kHwParamsRefused; `use` runs only on 0.
int WithPcmSpace(const std::string& pcmName, PcmStream stream,
                 const std::function<void(unsigned maxChannels, const CombinationTest&)>& use);

// The record's values: its channel count and the twelve standard format
// flags; when none of those, the device's own matrix.
struct PcmCaps {
  uint16_t maxChannels = 0;
  int32_t formats = 0;
  std::optional<FormatMatrix> native;
};
int ProbePcm(const std::string& pcmName, PcmStream stream, PcmCaps& caps);
// The same from a test of the device's combinations.
PcmCaps CapsOf(unsigned maxChannels, const CombinationTest& accepts);
// The native matrix, channels 1..channels. 0 or a waveform result code.
uint32_t ProbePcmMatrix(const std::string& pcmName, PcmStream stream, int channels,
                        FormatMatrix& matrix);

// What a USB device's altsets allow, as the probe would find it.
CombinationTest StreamTest(const std::vector<UsbAltset>& altsets);

// The record's channel count is 16 bits wide.
uint16_t ClampChannels(unsigned int channels);
// snd_pcm_open's negative errno as a waveform-audio result.
uint32_t OpenErrorResult(int error);

}  // namespace tivrel::alsa
