// Real-input FFTs of one size, by kissfft (BSD licence, packaged by Debian):
// the transforms themselves are the library's; this only owns its plans.
#pragma once

#include <complex>
#include <cstddef>
#include <memory>
#include <vector>

namespace tivrel::analysis {

class RealFft {
 public:
  // size must be even; any factors work, powers of 2, 3 and 5 fastest.
  explicit RealFft(std::size_t size);
  ~RealFft();
  RealFft(const RealFft&) = delete;
  RealFft& operator=(const RealFft&) = delete;

  std::size_t size() const { return size_; }
  // size/2 + 1 bins, unscaled: a sine of amplitude A on bin k gives A*size/2.
  std::vector<std::complex<float>> Forward(const float* samples) const;
  // From size/2 + 1 bins back to size samples, scaled by 1/size so that
  // Inverse(Forward(x)) == x.
  std::vector<float> Inverse(const std::vector<std::complex<float>>& bins) const;

 private:
  struct Plans;
  std::size_t size_;
  std::unique_ptr<Plans> plans_;
};

}  // namespace tivrel::analysis
