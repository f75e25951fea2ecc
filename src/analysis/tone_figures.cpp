#include "analysis/tone_figures.h"

#include <algorithm>
#include <cmath>

#include "analysis/windowed_power.h"

namespace tivrel::analysis {
namespace {

constexpr double kBandLowHz = 20, kBandHighHz = 20000;
constexpr double kNotchHz = 10;  // either side of a notched tone
constexpr int kHighestHarmonic = 10;

PowerSpectrum Segment(const SignalLayout& layout, const WindowedFft& fft, const ToneFrames& f,
                      std::size_t start, int channel) {
  const float* at =
      f.capture + 2 * (start + f.offset) + f.channel[static_cast<std::size_t>(channel)];
  return PowerSpectrum(fft, at, 2, layout.rate);
}

double HarmonicPower(const PowerSpectrum& s, double hz, double limit_hz) {
  double sum = 0;
  for (int n = 2; n <= kHighestHarmonic && n * hz <= limit_hz; ++n) sum += s.Tone(n * hz);
  return sum;
}

}  // namespace

ChannelFigures MeasureChannel(const SignalLayout& layout, const WindowedFft& fft,
                              const ToneFrames& frames, int channel,
                              std::vector<FrequencyPoint>* spectrum) {
  ChannelFigures c;
  const double top = std::min(kBandHighHz, 0.45 * layout.rate);
  const auto quiet = Segment(layout, fft, frames, layout.noise, channel);
  c.noise_dba = Dbfs(quiet.Band(kBandLowHz, top, true));

  const auto loud = Segment(layout, fft, frames, layout.thd, channel);
  const double fundamental = loud.Tone(kThdHz);
  c.thd_db = Db(HarmonicPower(loud, kThdHz, top) / fundamental);
  c.thd_n_db = Db(loud.Band(kBandLowHz, top, false, {kThdHz}, kNotchHz) / fundamental);
  if (spectrum) {
    std::vector<double> edges;
    for (double hz = kBandLowHz; hz < top; hz *= std::exp2(1.0 / 48)) edges.push_back(hz);
    const std::vector<double> loudest = loud.Loudest(edges);
    spectrum->resize(loudest.size());
    for (std::size_t b = 0; b < loudest.size(); ++b) {
      (*spectrum)[b].hz = std::sqrt(edges[b] * edges[b + 1]);
      (*spectrum)[b].db[static_cast<std::size_t>(channel)] = std::max(-200.0, Dbfs(loudest[b]));
    }
  }

  const auto soft = Segment(layout, fft, frames, layout.dynamic_range, channel);
  c.dynamic_range_dba = -Dbfs(soft.Band(kBandLowHz, top, true, {kThdHz}, kNotchHz));

  const auto imd = Segment(layout, fft, frames, layout.imd, channel);
  double sidebands = 0;
  for (int n = 1; n <= 3; ++n)
    sidebands += imd.Tone(kImdHighHz + n * kImdLowHz) + imd.Tone(kImdHighHz - n * kImdLowHz);
  c.imd_db = Db(sidebands / imd.Tone(kImdHighHz));
  return c;
}

std::array<double, 2> MeasureCrosstalk(const SignalLayout& layout, const WindowedFft& fft,
                                       const ToneFrames& frames) {
  const auto left = Segment(layout, fft, frames, layout.crosstalk, 0);
  const auto right = Segment(layout, fft, frames, layout.crosstalk, 1);
  return {Db(right.Tone(kThdHz) / left.Tone(kThdHz)),
          Db(left.Tone(kCrosstalkRightHz) / right.Tone(kCrosstalkRightHz))};
}

}  // namespace tivrel::analysis
