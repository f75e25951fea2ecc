// The analysis of one whole loopback run (48 kHz, stereo), as
// tivrel-loopback does it after the capture: time per run, and the most
// memory it holds at once beyond the capture itself (peak_bytes).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

#include "analysis/loopback_analysis.h"
#include "support/analog_chain.h"

namespace {

std::atomic<std::size_t> live{0}, peak{0};

}  // namespace

void* operator new(std::size_t size) {
  void* block = std::malloc(size ? size : 1);
  if (!block) throw std::bad_alloc();
  const std::size_t now = live += malloc_usable_size(block);
  std::size_t seen = peak;
  while (now > seen && !peak.compare_exchange_weak(seen, now)) {
  }
  return block;
}

void operator delete(void* p) noexcept {
  if (!p) return;
  live -= malloc_usable_size(p);
  std::free(p);
}

void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

static void BM_AnalyseRun(benchmark::State& state) {
  using namespace tivrel::analysis;
  const SignalLayout layout = LayoutFor(48000, -3);
  const std::vector<float> played = MakeTestSignal(layout);
  tivrel_chain_params codec{.delay_frames = 300.25,
                            .gain_db = -4,
                            .highpass_hz = 20,
                            .lowpass_hz = 21000,
                            .noise_dbfs = -90,
                            .h2 = 1.4e-4,
                            .crosstalk_db = -75,
                            .bits = 24};
  static tivrel_chain chain;
  tivrel_chain_init(&chain, &codec, layout.rate, 1);
  std::vector<float> captured(played.size());
  tivrel_chain_run(&chain, played.data(), captured.data(), layout.frames);
  const std::size_t before = live;
  peak = before;
  for (auto _ : state) benchmark::DoNotOptimize(Analyse(layout, captured));
  state.counters["peak_bytes"] = static_cast<double>(peak - before);
  state.counters["capture_bytes"] = static_cast<double>(captured.size() * sizeof(float));
}
BENCHMARK(BM_AnalyseRun)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
