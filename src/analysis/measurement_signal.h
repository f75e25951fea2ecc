// The stereo test signal a loopback run plays, and where each part of it
// lies. Frequencies are whole hertz on tone segments one second long, so
// every tone falls on an FFT bin (coherent) at any integer rate.
#pragma once

#include <cstddef>
#include <vector>

namespace tivrel::analysis {

inline constexpr double kThdHz = 997;              // THD, THD+N, dynamic range
inline constexpr double kCrosstalkRightHz = 1499;  // the right channel's crosstalk tone
inline constexpr double kImdLowHz = 60;            // SMPTE: 60 Hz and 7 kHz, 4:1
inline constexpr double kImdHighHz = 7000;
inline constexpr double kDynamicRangeDbfs = -60;

struct SignalLayout {
  int rate = 48000;
  double level_dbfs = -3;    // peak of every loud part, a full-scale sine being 0 dBFS
  std::size_t period = 0;    // the exponential sweep's period, a power of two
  double sweep_low_hz = 10;  // the sweep's start and end
  double sweep_high_hz = 0;
  std::size_t settle = 0;  // frames before each tone segment's analysed second
  std::size_t tone = 0;    // frames of one analysed tone segment (one second)
  // Where each part starts, in frames from the first played.
  std::size_t sweep_left = 0;     // two periods on the left, the right silent
  std::size_t sweep_right = 0;    // then the same on the right
  std::size_t noise = 0;          // silence
  std::size_t thd = 0;            // 997 Hz at the level on both
  std::size_t dynamic_range = 0;  // 997 Hz at -60 dBFS on both
  std::size_t imd = 0;            // 60 Hz + 7 kHz on both
  std::size_t crosstalk = 0;      // 997 Hz left, 1499 Hz right
  std::size_t frames = 0;         // the whole, a silent tail included
};

SignalLayout LayoutFor(int rate, double level_dbfs);

// One period of the exponential sweep, peak at the layout's level.
std::vector<float> SweepPeriod(const SignalLayout& layout);

// The whole signal, interleaved left/right.
std::vector<float> MakeTestSignal(const SignalLayout& layout);

// Longest round trip the layout can measure, in frames.
std::size_t MaxLatency(const SignalLayout& layout);

}  // namespace tivrel::analysis
