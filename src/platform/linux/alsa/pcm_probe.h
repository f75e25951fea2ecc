// What a PCM takes, asked without playing or recording anything: opened
// without blocking, its hardware parameter space tried one whole combination
// at a time. A busy USB device's stream file answers the same questions.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/alsa/proc_parsers.h"
#include "probe/format_matrix.h"
#include "probe/query_note.h"

namespace tivrel::alsa {

// How asking a PCM failed: ALSA's own code, and whether the device had
// opened and then refused its parameter space.
struct PcmError {
  int code = 0;           // 0 or a negative errno
  bool hwParams = false;  // snd_pcm_hw_params_any failed, not the open
  explicit operator bool() const { return code < 0; }
  bool operator==(const PcmError&) const = default;
};

// A failure as the query reports it: the waveform result, with the cause and
// the system's words for the very code ALSA gave written into `note`.
uint32_t FailureResult(const PcmError& error, QueryNote& note);

// Opens `pcmName` for the stream without blocking and hands `use` the
// device's largest channel count and a test of its full parameter space;
// `use` runs only when nothing failed.
PcmError WithPcmSpace(const std::string& pcmName, Direction stream,
                      const std::function<void(unsigned maxChannels, const CombinationTest&)>& use);

// The record's values: its channel count and the twelve standard format
// flags; when none of those, the device's own matrix.
struct PcmCaps {
  uint16_t maxChannels = 0;
  int32_t formats = 0;
  std::optional<FormatMatrix> native;
};
PcmError ProbePcm(const std::string& pcmName, Direction stream, PcmCaps& caps);
// The same from a test of the device's combinations.
PcmCaps CapsOf(unsigned maxChannels, const CombinationTest& accepts);
// The native matrix, channels 1..channels. 0 or a waveform result code,
// told in `note` as FailureResult tells it.
uint32_t ProbePcmMatrix(const std::string& pcmName, Direction stream, int channels,
                        FormatMatrix& matrix, QueryNote& note);

// What a USB device's altsets allow, as the probe would find it.
CombinationTest StreamTest(const std::vector<UsbAltset>& altsets);

// The record's channel count is 16 bits wide.
uint16_t ClampChannels(unsigned int channels);
// snd_pcm_open's negative errno as a waveform-audio result.
uint32_t OpenErrorResult(int error);

}  // namespace tivrel::alsa
