#include "analysis/windowed_power.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace tivrel::analysis {
namespace {

constexpr double kHarris[4] = {0.35875, 0.48829, 0.14128, 0.01168};
constexpr int kLobe = 3;  // bins either side of a coherent tone

}  // namespace

WindowedFft::WindowedFft(std::size_t size) : fft(size), window(size) {
  for (std::size_t i = 0; i < size; ++i) {
    const double x = 2 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(size);
    const double w = kHarris[0] - kHarris[1] * std::cos(x) + kHarris[2] * std::cos(2 * x) -
                     kHarris[3] * std::cos(3 * x);
    sum_squares += w * w;
    window[i] = static_cast<float>(w);
  }
}

PowerSpectrum::PowerSpectrum(const WindowedFft& windowed_fft, const float* samples,
                             std::size_t stride, int rate)
    : bin_hz_(static_cast<double>(rate) / static_cast<double>(windowed_fft.fft.size())) {
  const std::size_t n = windowed_fft.fft.size();
  std::vector<float> windowed(n);
  for (std::size_t i = 0; i < n; ++i) windowed[i] = windowed_fft.window[i] * samples[i * stride];
  const auto bins = windowed_fft.fft.Forward(windowed.data());
  power_.resize(bins.size());
  const double scale = 2.0 / (static_cast<double>(n) * windowed_fft.sum_squares);
  for (std::size_t k = 0; k < bins.size(); ++k)
    power_[k] = scale * std::norm(std::complex<double>(bins[k]));
  power_.front() /= 2;
  power_.back() /= 2;
}

double PowerSpectrum::Tone(double hz) const {
  const long centre = std::lround(hz / bin_hz_);
  double sum = 0;
  for (long k = centre - kLobe; k <= centre + kLobe; ++k)
    if (k >= 0 && k < static_cast<long>(power_.size())) sum += power_[static_cast<std::size_t>(k)];
  return sum;
}

double PowerSpectrum::Band(double low_hz, double high_hz, bool a_weighted,
                           const std::vector<double>& notched, double notch_hz) const {
  const std::size_t first = static_cast<std::size_t>(std::ceil(low_hz / bin_hz_));
  const std::size_t last = std::min(power_.size() - 1, static_cast<std::size_t>(high_hz / bin_hz_));
  double sum = 0;
  for (std::size_t k = first; k <= last; ++k) {
    const double hz = static_cast<double>(k) * bin_hz_;
    const bool skip = std::any_of(notched.begin(), notched.end(),
                                  [&](double f) { return std::abs(hz - f) <= notch_hz; });
    if (!skip) sum += a_weighted ? power_[k] * AWeighting(hz) : power_[k];
  }
  return sum;
}

std::vector<double> PowerSpectrum::Loudest(const std::vector<double>& edges) const {
  std::vector<double> loudest(edges.size() - 1, 0.0);
  for (std::size_t b = 0; b + 1 < edges.size(); ++b) {
    const auto first = static_cast<std::size_t>(std::ceil(edges[b] / bin_hz_));
    const auto end =
        std::min(power_.size(), static_cast<std::size_t>(std::ceil(edges[b + 1] / bin_hz_)));
    for (std::size_t k = first; k < end; ++k) loudest[b] = std::max(loudest[b], power_[k]);
  }
  return loudest;
}

double AWeighting(double hz) {
  const auto ra = [](double f) {
    const double f2 = f * f;
    const double num = 12194.0 * 12194.0 * f2 * f2;
    const double den = (f2 + 20.6 * 20.6) * std::sqrt((f2 + 107.7 * 107.7) * (f2 + 737.9 * 737.9)) *
                       (f2 + 12194.0 * 12194.0);
    return num / den;
  };
  const double r = ra(hz) / ra(1000.0);
  return r * r;
}

double Dbfs(double mean_square) { return Db(2 * mean_square); }

double Db(double power_ratio) {
  if (power_ratio <= 0) return -std::numeric_limits<double>::infinity();
  return 10 * std::log10(power_ratio);
}

double Percent(double power_ratio) { return 100 * std::sqrt(std::max(0.0, power_ratio)); }

}  // namespace tivrel::analysis
