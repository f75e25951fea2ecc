#include "analysis/impulse_response.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "analysis/windowed_power.h"

namespace tivrel::analysis {
namespace {

constexpr double kPi = std::numbers::pi;

double RaisedCosine(double x) {  // 0 at x <= 0, 1 at x >= 1
  return x <= 0 ? 0 : x >= 1 ? 1 : 0.5 - 0.5 * std::cos(kPi * x);
}

// Keeps [peak - pre, peak + post] of a circular response, with half-Hann
// edges, so that the harmonics' responses before the peak are cut away.
void WindowAroundPeak(std::vector<float>& h, std::size_t peak) {
  const std::size_t n = h.size();
  const std::size_t pre = n / 64, post = n / 2, fall = n / 8;
  std::vector<float> kept(n, 0.0f);
  for (std::size_t i = 0; i < pre + post; ++i) {
    const std::size_t at = (peak + n - pre + i) % n;
    const double x = static_cast<double>(i);
    const double w =
        std::min(RaisedCosine(x / static_cast<double>(pre / 2)),
                 RaisedCosine((static_cast<double>(pre + post) - x) / static_cast<double>(fall)));
    kept[at] = static_cast<float>(w * h[at]);
  }
  h.swap(kept);
}

}  // namespace

double ChannelResponse::GainDb(double hz) const {
  const double x = hz / bin_hz;
  const std::size_t k = std::min(static_cast<std::size_t>(x), gain.size() - 2);
  const double f = x - static_cast<double>(k);
  const double a = Db(static_cast<double>(gain[k]) * gain[k]);
  const double b = Db(static_cast<double>(gain[k + 1]) * gain[k + 1]);
  return a + f * (b - a);
}

SweepDeconvolver::SweepDeconvolver(const SignalLayout& layout, const RealFft& fft)
    : layout_(layout), fft_(fft) {
  const std::vector<float> sweep = SweepPeriod(layout);
  const auto x = fft.Forward(sweep.data());
  double peak = 0;
  for (const auto& v : x) peak = std::max(peak, static_cast<double>(std::norm(v)));
  const double bin_hz = static_cast<double>(layout.rate) / static_cast<double>(fft.size());
  low_hz_ = 1.6 * layout.sweep_low_hz;
  high_hz_ = 0.45 * layout.rate;
  const double low_zero = 1.1 * layout.sweep_low_hz, high_zero = 0.465 * layout.rate;
  inverse_.resize(x.size());
  mask_.resize(x.size());
  for (std::size_t k = 0; k < x.size(); ++k) {
    const double hz = static_cast<double>(k) * bin_hz;
    const double mask = std::min(RaisedCosine((hz - low_zero) / (low_hz_ - low_zero)),
                                 RaisedCosine((high_zero - hz) / (high_zero - high_hz_)));
    const std::complex<double> xk(x[k]);
    inverse_[k] = std::complex<float>(std::conj(xk) / (std::norm(xk) + 1e-10 * peak));
    mask_[k] = static_cast<float>(mask);
  }
}

std::vector<std::complex<float>> SweepDeconvolver::Divide(const float* capture,
                                                          std::size_t stride) const {
  std::vector<float> y(fft_.size());
  for (std::size_t i = 0; i < y.size(); ++i) y[i] = capture[i * stride];
  auto bins = fft_.Forward(y.data());
  for (std::size_t k = 0; k < bins.size(); ++k) bins[k] *= inverse_[k];
  return bins;
}

ChannelResponse SweepDeconvolver::Analyse(const float* capture, std::size_t stride,
                                          bool whole_response) const {
  // The peak is read from the response within the sweep's band; the
  // linear part's gain from the whole, whose time window would otherwise
  // cut the band edges' long ringing.
  const auto whole = Divide(capture, stride);
  auto bins = whole;
  for (std::size_t k = 0; k < bins.size(); ++k) bins[k] *= mask_[k];
  std::vector<float> h = fft_.Inverse(bins);
  const std::size_t n = h.size();
  std::size_t peak = 0;
  for (std::size_t i = 1; i < n; ++i)
    if (std::abs(h[i]) > std::abs(h[peak])) peak = i;
  ChannelResponse r;
  r.peak_value = h[peak];
  double noise = 0;  // far from the peak: after the linear part, before the harmonics
  for (std::size_t i = n / 2; i < 3 * n / 4; ++i)
    noise += static_cast<double>(h[(peak + i) % n]) * h[(peak + i) % n];
  r.peak_to_noise_db = Db(r.peak_value * r.peak_value / std::max(noise / (n / 4), 1e-300));
  if (!whole_response) return r;
  r.peak_frames = RefinePeak(bins, static_cast<double>(peak));
  r.peak_frames = std::fmod(r.peak_frames + static_cast<double>(n), static_cast<double>(n));
  h = fft_.Inverse(whole);
  WindowAroundPeak(h, peak);
  const auto linear = fft_.Forward(h.data());
  r.gain.resize(linear.size());
  for (std::size_t k = 0; k < linear.size(); ++k) r.gain[k] = std::abs(linear[k]);
  r.bin_hz = static_cast<double>(layout_.rate) / static_cast<double>(n);
  r.low_limit_hz = low_hz_;
  r.high_limit_hz = high_hz_;
  return r;
}

double RefinePeak(const std::vector<std::complex<float>>& bins, double start) {
  const double n = 2.0 * static_cast<double>(bins.size() - 1);
  const double w = 2 * kPi / n;
  double t = start;
  for (int iteration = 0; iteration < 8; ++iteration) {
    // h'(t) and h''(t) of h(t) = (1/n) sum_k c_k Re(H_k e^{j w k t})
    const std::complex<double> step = std::polar(1.0, w * t);
    std::complex<double> turn = 1;
    double d1 = 0, d2 = 0;
    for (std::size_t k = 1; k + 1 < bins.size(); ++k) {
      turn *= step;
      const double wk = w * static_cast<double>(k);
      const std::complex<double> v = std::complex<double>(bins[k]) * turn;
      d1 += -wk * v.imag();
      d2 += -wk * wk * v.real();
    }
    if (d2 == 0) break;
    const double delta = std::clamp(d1 / d2, -0.5, 0.5);
    t -= delta;
    if (std::abs(delta) < 1e-7) break;
  }
  return t;
}

}  // namespace tivrel::analysis
