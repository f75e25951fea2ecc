// What one loopback run measured.
#pragma once

#include <array>
#include <optional>
#include <vector>

namespace tivrel::analysis {

struct SetupChecks {
  bool loopback = true;            // the signal came back (false: nothing measured)
  bool latency_in_range = true;    // the round trip fits the test signal's gaps
  std::array<bool, 2> inverted{};  // per output channel: polarity reversed
  bool swapped = false;            // left came back on the right and right on the left
  bool clipped = false;            // the capture reached full scale
  double headroom_db = 0;          // below full scale at the capture's loudest sample
  bool low_headroom = false;       // less than kMinHeadroomDb
  // No loopback and clipping leave no figure worth reading.
  bool Fatal() const { return !loopback || !latency_in_range || clipped; }
};

inline constexpr double kMinHeadroomDb = 6;

struct FrequencyPoint {
  double hz = 0;
  std::array<double, 2> db{};  // left, right, relative to 997 Hz
};

struct ChannelFigures {
  double noise_dba = 0;          // dBFS(A), silence played
  double dynamic_range_dba = 0;  // dB(A), -60 dBFS tone method
  double thd_db = 0, thd_n_db = 0;
  double imd_db = 0;  // SMPTE
};

struct Measurement {
  SetupChecks checks;
  bool measured = false;  // false where a fatal check stopped the figures
  int rate = 0;
  double latency_frames = 0;
  double latency_ms = 0;
  std::vector<FrequencyPoint> points;
  double deviation_min_db = 0, deviation_max_db = 0;  // 20 Hz to 20 kHz, both channels
  std::optional<double> low_3db_hz, high_3db_hz;      // the narrower channel's
  std::array<ChannelFigures, 2> channels{};
  // The 997 Hz tone's spectrum in dBFS, the loudest bin of each 1/48 octave.
  std::vector<FrequencyPoint> spectrum;
  double crosstalk_left_to_right_db = 0;
  double crosstalk_right_to_left_db = 0;

  // The worse channel's figure of each kind, as the summary gives it.
  ChannelFigures Worst() const;
};

}  // namespace tivrel::analysis
