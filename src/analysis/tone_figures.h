// Figures read from the tone segments: noise, dynamic range, THD, THD+N,
// SMPTE intermodulation and crosstalk. Each analysed second is a whole
// number of every tone's periods.
#pragma once

#include <array>
#include <cstddef>

#include "analysis/measurement.h"
#include "analysis/measurement_signal.h"
#include "analysis/windowed_power.h"

namespace tivrel::analysis {

struct ToneFrames {
  const float* capture;                // interleaved stereo
  std::size_t offset;                  // frames from a segment's start to its analysed second
  std::array<std::size_t, 2> channel;  // capture channel of each output channel
};

// With `spectrum`, also the 997 Hz tone's spectrum into its channel's column.
ChannelFigures MeasureChannel(const SignalLayout& layout, const WindowedFft& fft,
                              const ToneFrames& frames, int channel,
                              std::vector<FrequencyPoint>* spectrum = nullptr);

// {left to right, right to left} in dB.
std::array<double, 2> MeasureCrosstalk(const SignalLayout& layout, const WindowedFft& fft,
                                       const ToneFrames& frames);

}  // namespace tivrel::analysis
