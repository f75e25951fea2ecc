// tivrel-loopback's answers: the bilingual table, the set-up checks' advice
// and the JSON document.
#pragma once

#include <string>
#include <vector>

#include "analysis/measurement.h"
#include "cli/duplex_io.h"

namespace tivrel {

struct LoopbackRun {
  const DuplexOutcome& devices;
  int rate;
  double level_dbfs;
  const analysis::Measurement& m;
};

std::string LoopbackTable(const LoopbackRun& run);
// One line for each check that failed or warns, with what to do.
std::vector<std::string> CheckAdvice(const analysis::SetupChecks& checks);
std::string LoopbackJson(const LoopbackRun& run);

}  // namespace tivrel
