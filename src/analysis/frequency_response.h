// The frequency response read from the sweep's linear responses.
#pragma once

#include <array>

#include "analysis/impulse_response.h"
#include "analysis/measurement.h"

namespace tivrel::analysis {

// Fills points, deviation and the -3 dB points, each relative to 997 Hz.
void ReadFrequencyResponse(const std::array<const ChannelResponse*, 2>& channels, Measurement& m);

}  // namespace tivrel::analysis
