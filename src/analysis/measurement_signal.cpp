#include "analysis/measurement_signal.h"

#include <cmath>
#include <numbers>

namespace tivrel::analysis {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

double Amplitude(double dbfs) { return std::pow(10.0, dbfs / 20); }

// Adds amplitude * sin(2 pi f t) on one channel of [start, start + count).
void AddTone(std::vector<float>& out, int channel, std::size_t start, std::size_t count, double hz,
             double amplitude, int rate) {
  // A 50 ms fade-in, within the settling time: a tone that started at once
  // would throw a DC-blocking high-pass's transient over its own peak.
  const double fade = rate / 20.0;
  for (std::size_t i = 0; i < count; ++i) {
    // Whole hertz and a phase from the segment's start: exactly periodic.
    const double phase = kTwoPi * std::fmod(hz * static_cast<double>(i), rate) / rate;
    const double x = static_cast<double>(i) / fade;
    const double gain = x >= 1 ? 1 : 0.5 - 0.5 * std::cos(std::numbers::pi * x);
    out[2 * (start + i) + channel] += static_cast<float>(gain * amplitude * std::sin(phase));
  }
}

}  // namespace

SignalLayout LayoutFor(int rate, double level_dbfs) {
  SignalLayout l;
  l.rate = rate;
  l.level_dbfs = level_dbfs;
  l.period = 1;
  while (l.period < static_cast<std::size_t>(rate) * 4 / 3) l.period *= 2;
  l.sweep_high_hz = std::min(0.47 * rate, 96000.0);
  l.settle = static_cast<std::size_t>(rate) / 2;
  l.tone = static_cast<std::size_t>(rate);
  std::size_t at = l.settle;
  l.sweep_left = at;
  at += 2 * l.period;
  l.sweep_right = at;
  at += 2 * l.period;
  for (std::size_t* part : {&l.noise, &l.thd, &l.dynamic_range, &l.imd, &l.crosstalk}) {
    *part = at;
    at += l.settle + l.tone;
  }
  l.frames = at + l.settle;
  return l;
}

std::size_t MaxLatency(const SignalLayout& layout) { return layout.settle * 4 / 5; }

std::vector<float> SweepPeriod(const SignalLayout& layout) {
  const std::size_t n = layout.period;
  const double duration = static_cast<double>(n) / layout.rate;
  const double ratio = std::log(layout.sweep_high_hz / layout.sweep_low_hz);
  const double k = kTwoPi * layout.sweep_low_hz * duration / ratio;
  const double amplitude = Amplitude(layout.level_dbfs);
  const double fade = 0.01 * n;  // raised-cosine fades at both ends
  std::vector<float> sweep(n);
  for (std::size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / layout.rate;
    double gain = 1;
    const double edge = std::min<double>(static_cast<double>(i), static_cast<double>(n - 1 - i));
    if (edge < fade) gain = 0.5 - 0.5 * std::cos(std::numbers::pi * edge / fade);
    sweep[i] =
        static_cast<float>(amplitude * gain * std::sin(k * (std::exp(t / duration * ratio) - 1)));
  }
  return sweep;
}

std::vector<float> MakeTestSignal(const SignalLayout& l) {
  std::vector<float> out(2 * l.frames, 0.0f);
  const std::vector<float> sweep = SweepPeriod(l);
  for (std::size_t rep = 0; rep < 2; ++rep) {
    for (std::size_t i = 0; i < l.period; ++i) {
      out[2 * (l.sweep_left + rep * l.period + i)] = sweep[i];
      out[2 * (l.sweep_right + rep * l.period + i) + 1] = sweep[i];
    }
  }
  const double loud = Amplitude(l.level_dbfs);
  const std::size_t span = l.settle + l.tone;
  for (int ch = 0; ch < 2; ++ch) {
    AddTone(out, ch, l.thd, span, kThdHz, loud, l.rate);
    AddTone(out, ch, l.dynamic_range, span, kThdHz, Amplitude(kDynamicRangeDbfs), l.rate);
    AddTone(out, ch, l.imd, span, kImdLowHz, 0.8 * loud, l.rate);
    AddTone(out, ch, l.imd, span, kImdHighHz, 0.2 * loud, l.rate);
  }
  AddTone(out, 0, l.crosstalk, span, kThdHz, loud, l.rate);
  AddTone(out, 1, l.crosstalk, span, kCrosstalkRightHz, loud, l.rate);
  return out;
}

}  // namespace tivrel::analysis
