// The sounds that a channel plays: band-limited pink noise or a sine, at a
// level given as RMS in dBFS as AES17 defines it (a full-scale sine is
// 0 dBFS), with short fades so that a step neither starts nor ends in a click.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tivrel::sound {

enum class SignalKind { kPink, kSine };

struct SignalChoice {
  SignalKind kind = SignalKind::kPink;
  double frequency = 1000;  // Hz, for the sine
  double levelDbfs = -18;
};

// The level of samples (full scale ±1) as RMS dBFS; -inf for silence.
double RmsDbfs(std::span<const float> samples);

class TestSignal {
 public:
  // Nothing, with `error` set, when the signal cannot be made at `rate`: a
  // sine at or above half the rate, a level whose peaks would clip.
  static std::optional<TestSignal> Make(const SignalChoice& choice, uint32_t rate,
                                        std::string& error);

  // The next samples of the endless signal.
  void Fill(std::span<float> out);
  // Back to its first sample.
  void Restart() { position_ = 0, phase_ = 0; }

 private:
  TestSignal() = default;
  SignalChoice choice_;
  uint32_t rate_ = 0;
  std::vector<float> loop_;  // pink noise: one second, scaled to the level
  size_t position_ = 0;
  double phase_ = 0;
  double amplitude_ = 0;
};

// The gain at `frame` of a step `frames` long: a raised-cosine fade of 5 ms
// in and out, 1 in between.
float StepEnvelope(uint64_t frame, uint64_t frames, uint32_t rate);

}  // namespace tivrel::sound
