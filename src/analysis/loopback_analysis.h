// A whole loopback run's analysis: the set-up checks first, then every
// figure, from the capture of MakeTestSignal(layout) played out.
#pragma once

#include <vector>

#include "analysis/measurement.h"
#include "analysis/measurement_signal.h"

namespace tivrel::analysis {

// capture: interleaved stereo, layout.frames frames, captured from the
// moment the first frame was played (the round trip still to be found).
Measurement Analyse(const SignalLayout& layout, const std::vector<float>& capture);

// The checks that end a run before its figures, from its first
// EarlyCheckFrames frames (under 2 s at any rate): whether anything of the
// sweep came back, and whether the input clipped.
std::size_t EarlyCheckFrames(const SignalLayout& layout);
SetupChecks EarlyChecks(const SignalLayout& layout, const std::vector<float>& capture);

}  // namespace tivrel::analysis
