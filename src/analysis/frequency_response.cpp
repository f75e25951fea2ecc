#include "analysis/frequency_response.h"

#include <algorithm>
#include <cmath>

#include "analysis/measurement_signal.h"

namespace tivrel::analysis {
namespace {

constexpr double kLowHz = 20, kHighHz = 20000;

// Where the response first falls 3 dB below 997 Hz, walking away from it
// one bin at a time; none within the sweep's range.
std::optional<double> Minus3Db(const ChannelResponse& r, double reference, int direction) {
  const double limit = direction < 0 ? r.low_limit_hz : r.high_limit_hz;
  double previous = 0;
  for (double hz = kThdHz;; hz += direction * r.bin_hz) {
    if ((direction < 0 && hz < limit) || (direction > 0 && hz > limit)) return std::nullopt;
    const double db = r.GainDb(hz) - reference;
    if (db <= -3) return hz - direction * r.bin_hz * (db + 3) / (db - previous);
    previous = db;
  }
}

std::vector<double> PointFrequencies() {
  std::vector<double> hz{kLowHz};
  for (int n = -33; n <= 25; ++n) hz.push_back(1000 * std::exp2(n / 6.0));
  hz.push_back(kHighHz);
  return hz;
}

}  // namespace

void ReadFrequencyResponse(const std::array<const ChannelResponse*, 2>& channels, Measurement& m) {
  const std::vector<double> hz = PointFrequencies();
  m.points.assign(hz.size(), {});
  m.deviation_min_db = 1e300;
  m.deviation_max_db = -1e300;
  for (std::size_t c = 0; c < 2; ++c) {
    const ChannelResponse& r = *channels[c];
    const double reference = r.GainDb(kThdHz);
    for (std::size_t i = 0; i < hz.size(); ++i) {
      m.points[i].hz = hz[i];
      m.points[i].db[c] = r.GainDb(hz[i]) - reference;
    }
    const auto first = static_cast<std::size_t>(std::ceil(kLowHz / r.bin_hz));
    const auto last = static_cast<std::size_t>(kHighHz / r.bin_hz);
    for (std::size_t k = first; k <= last; ++k) {
      const double db = r.GainDb(static_cast<double>(k) * r.bin_hz) - reference;
      m.deviation_min_db =
          std::min({m.deviation_min_db, db, m.points.front().db[c], m.points.back().db[c]});
      m.deviation_max_db =
          std::max({m.deviation_max_db, db, m.points.front().db[c], m.points.back().db[c]});
    }
    const auto low = Minus3Db(r, reference, -1), high = Minus3Db(r, reference, 1);
    if (low && (!m.low_3db_hz || *low > *m.low_3db_hz)) m.low_3db_hz = low;
    if (high && (!m.high_3db_hz || *high < *m.high_3db_hz)) m.high_3db_hz = high;
  }
}

}  // namespace tivrel::analysis
