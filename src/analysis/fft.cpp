#include "analysis/fft.h"

#include <kiss_fftr.h>

#include <stdexcept>

namespace tivrel::analysis {

static_assert(sizeof(kiss_fft_cpx) == sizeof(std::complex<float>));

struct RealFft::Plans {
  kiss_fftr_cfg forward = nullptr;
  kiss_fftr_cfg inverse = nullptr;
  ~Plans() {
    kiss_fftr_free(forward);
    kiss_fftr_free(inverse);
  }
};

RealFft::RealFft(std::size_t size) : size_(size), plans_(std::make_unique<Plans>()) {
  if (size < 2 || size % 2 != 0) throw std::invalid_argument("FFT size must be even");
  plans_->forward = kiss_fftr_alloc(static_cast<int>(size), 0, nullptr, nullptr);
  plans_->inverse = kiss_fftr_alloc(static_cast<int>(size), 1, nullptr, nullptr);
  if (!plans_->forward || !plans_->inverse) throw std::bad_alloc();
}

RealFft::~RealFft() = default;

std::vector<std::complex<float>> RealFft::Forward(const float* samples) const {
  std::vector<std::complex<float>> bins(size_ / 2 + 1);
  kiss_fftr(plans_->forward, samples, reinterpret_cast<kiss_fft_cpx*>(bins.data()));
  return bins;
}

std::vector<float> RealFft::Inverse(const std::vector<std::complex<float>>& bins) const {
  if (bins.size() != size_ / 2 + 1) throw std::invalid_argument("wrong bin count");
  std::vector<float> samples(size_);
  kiss_fftri(plans_->inverse, reinterpret_cast<const kiss_fft_cpx*>(bins.data()), samples.data());
  const float scale = 1.0f / static_cast<float>(size_);
  for (float& s : samples) s *= scale;
  return samples;
}

}  // namespace tivrel::analysis
