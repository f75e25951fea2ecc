// Power spectra of one analysed second, and the levels read from them. A
// 4-term Blackman-Harris window: its transform has exactly seven lines, so
// a coherent tone's power is the sum of seven bins, and far leakage stays
// under -92 dB where the clocks of output and input differ.
#pragma once

#include <cstddef>
#include <vector>

#include "analysis/fft.h"

namespace tivrel::analysis {

// An FFT of one size with the window, made once for every spectrum.
struct WindowedFft {
  explicit WindowedFft(std::size_t size);
  RealFft fft;
  std::vector<float> window;
  double sum_squares = 0;
};

class PowerSpectrum {
 public:
  // fft.size() samples taken every `stride` floats (2 for one channel of
  // interleaved stereo).
  PowerSpectrum(const WindowedFft& fft, const float* samples, std::size_t stride, int rate);

  double BinHz() const { return bin_hz_; }
  // The loudest bin's mean square in each band [edges[i], edges[i + 1]).
  std::vector<double> Loudest(const std::vector<double>& edges) const;
  // Mean-square level of a tone at hz (the seven bins of its lobe).
  double Tone(double hz) const;
  // Mean-square level of [low_hz, high_hz], without the bins within
  // notch_hz of each frequency in `notched`, A-weighted if asked.
  double Band(double low_hz, double high_hz, bool a_weighted,
              const std::vector<double>& notched = {}, double notch_hz = 0) const;

 private:
  std::vector<double> power_;  // mean-square contribution of each bin
  double bin_hz_;
};

// IEC 61672-1 A-weighting as a power ratio (1 at 1 kHz).
double AWeighting(double hz);

// A mean-square level in dBFS (a full-scale sine, mean square 1/2, is 0).
double Dbfs(double mean_square);
// Power ratio in dB, and an amplitude ratio in per cent.
double Db(double power_ratio);
double Percent(double power_ratio);

}  // namespace tivrel::analysis
