// The analysis against a simulated chain whose figures are known.
#include "analysis/loopback_analysis.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/analog_chain.h"

namespace tivrel::analysis {
namespace {

enum class Figure { Latency, Response, Thd, Crosstalk, DynamicRange, Checks };

struct Goal {
  const char* name;
  tivrel_chain_params chain;
  Figure figure;
  double expected;  // Checks: which check fails, as WhichFault says it
  double tolerance;
};

constexpr tivrel_chain_params kClean{
    .delay_frames = 100, .noise_dbfs = -300, .crosstalk_db = -300, .bits = 24};

tivrel_chain_params With(tivrel_chain_params p, void (*change)(tivrel_chain_params&)) {
  change(p);
  return p;
}

double WhichFault(const SetupChecks& c) {
  return !c.loopback      ? 1
         : c.clipped      ? 2
         : c.swapped      ? 3
         : c.inverted[1]  ? 4
         : c.low_headroom ? 5
                          : 0;
}

const Goal kGoals[] = {
    {"fractional delay", With(kClean, [](auto& p) { p.delay_frames = 417.37; }), Figure::Latency,
     417.37, 0.01},
    {"delay and noise", With(kClean, [](auto& p) { p.delay_frames = 91.905, p.noise_dbfs = -90; }),
     Figure::Latency, 91.905, 0.01},
    {"codec response",
     With(kClean, [](auto& p) { p.highpass_hz = 20, p.lowpass_hz = 21000, p.noise_dbfs = -90; }),
     Figure::Response, 0, 0.02},
    {"bell",
     With(kClean,
          [](auto& p) { p.bell_hz = 3000, p.bell_db = 4, p.bell_q = 2, p.highpass_hz = 35; }),
     Figure::Response, 0, 0.02},
    {"THD -80 dB", With(kClean, [](auto& p) { p.h2 = 2e-4 / std::pow(10, -3 / 20.0); }),
     Figure::Thd, -80, 0.2},
    {"THD -100 dB", With(kClean, [](auto& p) { p.h3 = 4e-5 / std::pow(10, -6 / 20.0); }),
     Figure::Thd, -100, 0.2},
    {"crosstalk -100 dB", With(kClean, [](auto& p) { p.crosstalk_db = -100; }), Figure::Crosstalk,
     -100, 0.5},
    {"16-bit dithered", With(kClean, [](auto& p) { p.bits = 16; }), Figure::DynamicRange, 96.2,
     0.3},
    {"no cable", With(kClean, [](auto& p) { p.disconnected = 1, p.noise_dbfs = -90; }),
     Figure::Checks, 1, 0},
    {"clipping", With(kClean, [](auto& p) { p.gain_db = 4; }), Figure::Checks, 2, 0},
    {"swapped", With(kClean, [](auto& p) { p.swap = 1, p.gain_db = -7; }), Figure::Checks, 3, 0},
    {"inverted", With(kClean, [](auto& p) { p.invert = 1, p.gain_db = -7; }), Figure::Checks, 4, 0},
    {"little headroom", With(kClean, [](auto& p) { p.gain_db = -1; }), Figure::Checks, 5, 0},
    {"clean", With(kClean, [](auto& p) { p.gain_db = -7; }), Figure::Checks, 0, 0},
};

TEST(LoopbackAnalysis, MeasuresTheSimulatedChain) {
  const SignalLayout layout = LayoutFor(48000, -3);
  const std::vector<float> played = MakeTestSignal(layout);
  for (const Goal& goal : kGoals) {
    SCOPED_TRACE(goal.name);
    static tivrel_chain chain;
    tivrel_chain_init(&chain, &goal.chain, layout.rate, 7);
    std::vector<float> captured(played.size());
    tivrel_chain_run(&chain, played.data(), captured.data(), layout.frames);
    const Measurement m = Analyse(layout, captured);
    ASSERT_EQ(m.measured, !m.checks.Fatal());
    switch (goal.figure) {
      case Figure::Latency:
        EXPECT_NEAR(m.latency_frames, goal.expected, goal.tolerance);
        break;
      case Figure::Thd:
        EXPECT_NEAR(m.Worst().thd_db, goal.expected, goal.tolerance);
        break;
      case Figure::DynamicRange:
        EXPECT_NEAR(m.Worst().dynamic_range_dba, goal.expected, goal.tolerance);
        break;
      case Figure::Checks:
        EXPECT_EQ(WhichFault(m.checks), goal.expected);
        break;
      case Figure::Crosstalk:
        EXPECT_NEAR(m.crosstalk_left_to_right_db, goal.expected, goal.tolerance);
        EXPECT_NEAR(m.crosstalk_right_to_left_db, goal.expected, goal.tolerance);
        break;
      case Figure::Response:
        const double reference = tivrel_chain_gain_db(&chain, layout.rate, kThdHz);
        for (const FrequencyPoint& point : m.points)
          for (double db : point.db)
            EXPECT_NEAR(db, tivrel_chain_gain_db(&chain, layout.rate, point.hz) - reference,
                        goal.tolerance)
                << point.hz;
        break;
    }
  }
}

}  // namespace
}  // namespace tivrel::analysis
