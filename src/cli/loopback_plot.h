// --plot: the frequency response and the 997 Hz tone's spectrum, left and
// right, as one SVG picture that a browser shows.
#pragma once

#include <string>

#include "analysis/measurement.h"

namespace tivrel {

std::string LoopbackSvg(const analysis::Measurement& m);

}  // namespace tivrel
