#include "analysis/loopback_analysis.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "analysis/fft.h"
#include "analysis/frequency_response.h"
#include "analysis/impulse_response.h"
#include "analysis/tone_figures.h"
#include "analysis/windowed_power.h"

namespace tivrel::analysis {
namespace {

constexpr double kLoopbackDb = 25;       // response peak over its noise, a cable
constexpr double kEarlyLoopbackDb = 10;  // the sweep's power over the silence's
constexpr float kFullScale = 0.9999f;    // -0.0009 dBFS: the converter's last codes

void CheckLevels(const std::vector<float>& capture, SetupChecks& checks) {
  float peak = 0;
  for (float s : capture) peak = std::max(peak, std::abs(s));
  checks.clipped = peak >= kFullScale;
  checks.headroom_db = peak > 0 ? -20 * std::log10(static_cast<double>(peak)) : 1e300;
  checks.low_headroom = checks.headroom_db < kMinHeadroomDb;
}

double MeanSquare(const std::vector<float>& capture, std::size_t from, std::size_t to) {
  double sum = 0;
  for (std::size_t i = 2 * from; i < 2 * to; ++i)
    sum += static_cast<double>(capture[i]) * capture[i];
  return sum / static_cast<double>(2 * (to - from)) + 1e-30;
}

}  // namespace

std::size_t EarlyCheckFrames(const SignalLayout& layout) {
  return layout.sweep_left + layout.period / 2;
}

SetupChecks EarlyChecks(const SignalLayout& layout, const std::vector<float>& capture) {
  const std::size_t end = EarlyCheckFrames(layout);
  if (capture.size() < 2 * end)
    throw std::invalid_argument("capture shorter than the early checks");
  SetupChecks checks;
  CheckLevels(
      std::vector<float>(capture.begin(), capture.begin() + static_cast<std::ptrdiff_t>(2 * end)),
      checks);
  // The sweep's second quarter (about 70 to 470 Hz) against the silence
  // before it: a cable brings it back tens of dB over the input's noise.
  const double sweep = MeanSquare(capture, layout.sweep_left + layout.period / 4, end);
  const double quiet = MeanSquare(capture, layout.settle / 4, layout.settle);
  checks.loopback = Db(sweep / quiet) >= kEarlyLoopbackDb;
  return checks;
}

ChannelFigures Measurement::Worst() const {
  const ChannelFigures &l = channels[0], &r = channels[1];
  return {std::max(l.noise_dba, r.noise_dba), std::min(l.dynamic_range_dba, r.dynamic_range_dba),
          std::max(l.thd_db, r.thd_db), std::max(l.thd_n_db, r.thd_n_db),
          std::max(l.imd_db, r.imd_db)};
}

Measurement Analyse(const SignalLayout& layout, const std::vector<float>& capture) {
  Measurement m;
  m.rate = layout.rate;
  if (capture.size() < 2 * layout.frames)
    throw std::invalid_argument("capture shorter than the test signal");
  SetupChecks& checks = m.checks;
  CheckLevels(capture, checks);

  // [played channel][capture channel], each from the sweep's second period.
  const RealFft sweep_fft(layout.period);
  const SweepDeconvolver deconvolver(layout, sweep_fft);
  const float* sweeps[2] = {&capture[2 * (layout.sweep_left + layout.period)],
                            &capture[2 * (layout.sweep_right + layout.period)]};
  ChannelResponse r[2][2];
  for (std::size_t c = 0; c < 2; ++c)
    for (std::size_t played = 0; played < 2; ++played)
      r[played][c] = deconvolver.Analyse(sweeps[played] + c, 2, false);
  const auto energy = [](const ChannelResponse& x) { return x.peak_value * x.peak_value; };
  checks.swapped = energy(r[0][1]) + energy(r[1][0]) > energy(r[0][0]) + energy(r[1][1]);
  const std::array<std::size_t, 2> to =
      checks.swapped ? std::array<std::size_t, 2>{1, 0} : std::array<std::size_t, 2>{0, 1};
  // The direct paths in whole.
  const ChannelResponse left = deconvolver.Analyse(sweeps[0] + to[0], 2);
  const ChannelResponse right = deconvolver.Analyse(sweeps[1] + to[1], 2);
  checks.loopback = std::min(left.peak_to_noise_db, right.peak_to_noise_db) >= kLoopbackDb;
  checks.inverted = {left.peak_value < 0, right.peak_value < 0};
  m.latency_frames = left.peak_frames;
  m.latency_ms = 1000 * m.latency_frames / layout.rate;
  checks.latency_in_range =
      !checks.loopback || m.latency_frames <= static_cast<double>(MaxLatency(layout));
  if (checks.Fatal()) return m;

  ReadFrequencyResponse({&left, &right}, m);
  const WindowedFft tone_fft(layout.tone);
  const ToneFrames frames{
      capture.data(), layout.settle + static_cast<std::size_t>(std::lround(m.latency_frames)), to};
  for (int c = 0; c < 2; ++c)
    m.channels[static_cast<std::size_t>(c)] =
        MeasureChannel(layout, tone_fft, frames, c, &m.spectrum);
  const auto crosstalk = MeasureCrosstalk(layout, tone_fft, frames);
  m.crosstalk_left_to_right_db = crosstalk[0];
  m.crosstalk_right_to_left_db = crosstalk[1];
  m.measured = true;
  return m;
}

}  // namespace tivrel::analysis
