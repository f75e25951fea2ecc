// Impulse responses from the periodic exponential sweep. One steady-state
// period of the capture, divided by the sweep in the frequency domain,
// gives the circular impulse response: the linear part peaks at the round
// trip's latency and the harmonics' responses fall before it, so a window
// around the peak keeps the linear response alone.
#pragma once

#include <complex>
#include <cstddef>
#include <vector>

#include "analysis/fft.h"
#include "analysis/measurement_signal.h"

namespace tivrel::analysis {

struct ChannelResponse {
  double peak_frames = 0;       // band-limited peak, in [0, period)
  double peak_value = 0;        // signed: negative where polarity is inverted
  double peak_to_noise_db = 0;  // against the response far from its peak
  std::vector<float> gain;      // |H| of the linear part, one per FFT bin
  double bin_hz = 0;
  double low_limit_hz = 0, high_limit_hz = 0;  // where the sweep measured the gain

  // Gain in dB at hz, interpolated between bins.
  double GainDb(double hz) const;
};

class SweepDeconvolver {
 public:
  SweepDeconvolver(const SignalLayout& layout, const RealFft& fft);
  // One period of one captured channel (count `period`, every `stride`
  // floats), in steady state.
  // Without `whole`, the peak alone: its value and distance from the
  // noise, to tell which channel came back where.
  ChannelResponse Analyse(const float* capture, std::size_t stride, bool whole = true) const;

 private:
  std::vector<std::complex<float>> Divide(const float* capture, std::size_t stride) const;

  const SignalLayout& layout_;
  const RealFft& fft_;
  std::vector<std::complex<float>> inverse_;  // regularised 1/X
  std::vector<float> mask_;                   // 1 within the sweep's band, falling to 0 outside
  double low_hz_, high_hz_;
};

// The band-limited peak of the circular response with these bins, refined
// from `start` by Newton's method on the interpolated response.
double RefinePeak(const std::vector<std::complex<float>>& bins, double start);

}  // namespace tivrel::analysis
