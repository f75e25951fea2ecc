#include "sound/test_signal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>

namespace tivrel::sound {

namespace {

// A second-order section (RBJ's cookbook), transposed direct form II.
struct Biquad {
  double b0, b1, b2, a1, a2, z1 = 0, z2 = 0;
  static Biquad Pass(bool high, double frequency, double rate) {
    const double w = 2 * std::numbers::pi * frequency / rate;
    const double alpha = std::sin(w) / std::numbers::sqrt2;  // Q = 1/sqrt(2)
    const double c = std::cos(w), a0 = 1 + alpha;
    const double b1 = high ? -(1 + c) : 1 - c;
    const double b0 = high ? (1 + c) / 2 : (1 - c) / 2;
    return {b0 / a0, b1 / a0, b0 / a0, -2 * c / a0, (1 - alpha) / a0};
  }
  double operator()(double x) {
    const double y = b0 * x + z1;
    z1 = b1 * x - a1 * y + z2;
    z2 = b2 * x - a2 * y;
    return y;
  }
};

// Pink noise (Paul Kellet's filter over white noise), limited to 20 Hz to
// 20 kHz (or 0.45 of the rate), one second long, scaled to `rms`. The first
// second runs the filters in; the second is kept.
std::vector<float> PinkLoop(uint32_t rate, double rms) {
  std::mt19937 random(0x7431);
  std::uniform_real_distribution<double> white(-1, 1);
  double b[7] = {};
  Biquad high = Biquad::Pass(true, 20, rate);
  Biquad low = Biquad::Pass(false, std::min(20000.0, 0.45 * rate), rate);
  std::vector<float> loop(rate);
  for (int pass = 0; pass < 2; ++pass) {
    for (auto& sample : loop) {
      const double w = white(random);
      b[0] = 0.99886 * b[0] + w * 0.0555179;
      b[1] = 0.99332 * b[1] + w * 0.0750759;
      b[2] = 0.96900 * b[2] + w * 0.1538520;
      b[3] = 0.86650 * b[3] + w * 0.3104856;
      b[4] = 0.55000 * b[4] + w * 0.5329522;
      b[5] = -0.7616 * b[5] - w * 0.0168980;
      const double pink = b[0] + b[1] + b[2] + b[3] + b[4] + b[5] + b[6] + w * 0.5362;
      b[6] = w * 0.115926;
      sample = static_cast<float>(low(high(pink)));
    }
  }
  double sum = 0;
  for (const float s : loop) sum += double{s} * s;
  const double gain = rms / std::sqrt(sum / loop.size());
  for (auto& s : loop) s = static_cast<float>(s * gain);
  return loop;
}

// A number as a person writes it: "440", "-0.5".
std::string Shown(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

}  // namespace

double RmsDbfs(std::span<const float> samples) {
  double sum = 0;
  for (const float s : samples) sum += double{s} * s;
  if (samples.empty() || sum == 0) return -INFINITY;
  return 20 * std::log10(std::sqrt(sum / samples.size()) * std::numbers::sqrt2);
}

std::optional<TestSignal> TestSignal::Make(const SignalChoice& choice, uint32_t rate,
                                           std::string& error) {
  TestSignal signal;
  signal.choice_ = choice;
  signal.rate_ = rate;
  // AES17: a full-scale sine is 0 dBFS, so its RMS is 1/sqrt(2).
  const double rms = std::pow(10.0, choice.levelDbfs / 20) / std::numbers::sqrt2;
  if (choice.kind == SignalKind::kSine) {
    if (!(choice.frequency > 0 && choice.frequency < rate / 2.0)) {
      error = "a sine of " + Shown(choice.frequency) + " Hz cannot be played at " +
              std::to_string(rate) + " Hz";
      return std::nullopt;
    }
    signal.amplitude_ = rms * std::numbers::sqrt2;
  } else {
    signal.loop_ = PinkLoop(rate, rms);
    signal.amplitude_ = 0;
    for (const float s : signal.loop_)
      signal.amplitude_ = std::max<double>(signal.amplitude_, std::abs(s));
  }
  if (signal.amplitude_ > 1) {
    error = "a level of " + Shown(choice.levelDbfs) + " dBFS would clip this signal";
    return std::nullopt;
  }
  return signal;
}

void TestSignal::Fill(std::span<float> out) {
  if (choice_.kind == SignalKind::kPink) {
    for (auto& s : out) {
      s = loop_[position_];
      position_ = (position_ + 1) % loop_.size();
    }
    return;
  }
  const double step = 2 * std::numbers::pi * choice_.frequency / rate_;
  for (auto& s : out) {
    s = static_cast<float>(amplitude_ * std::sin(phase_));
    phase_ = std::fmod(phase_ + step, 2 * std::numbers::pi);
  }
}

float StepEnvelope(uint64_t frame, uint64_t frames, uint32_t rate) {
  const uint64_t fade = std::min<uint64_t>(rate / 200, frames / 2);
  const uint64_t edge = std::min(frame, frames - 1 - std::min(frame, frames - 1));
  if (fade == 0 || edge >= fade) return 1;
  return static_cast<float>(0.5 - 0.5 * std::cos(std::numbers::pi * (edge + 0.5) / fade));
}

}  // namespace tivrel::sound
