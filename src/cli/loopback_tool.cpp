#include "cli/loopback_tool.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "analysis/loopback_analysis.h"
#include "cli/loopback_options.h"
#include "cli/loopback_plot.h"
#include "cli/loopback_report.h"
#include "cli/text_output.h"

namespace tivrel {
namespace {

int DeviceFailure(const DuplexOutcome& outcome, std::string& err) {
  err += "tivrel-loopback: " + outcome.error + "\n";
  switch (outcome.status) {
    case DuplexOutcome::Status::NoSuchDevice:
      return kLoopbackExitUsage;
    case DuplexOutcome::Status::Unusable:
      return kLoopbackExitSystem;
    default:
      return kLoopbackExitDevice;
  }
}

bool WritePlot(const std::string& path, const std::string& svg, std::string& err) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (file) file << svg;
  if (file && file.flush()) return true;
  err += "tivrel-loopback: the plot could not be written to '" + EscapeControls(path) +
         "': " + std::strerror(errno) + "\n";
  return false;
}

}  // namespace

int RunLoopbackTool(const std::vector<std::string>& args, DuplexIo& io, std::string& out,
                    std::string& err) {
  std::string error;
  const auto options = ParseLoopbackOptions(args, error);
  if (!options) {
    err += "tivrel-loopback: " + error + "\n" + kLoopbackTryHelp;
    return kLoopbackExitUsage;
  }
  if (options->mode == LoopbackOptions::Mode::Help)
    return out += LoopbackHelpText(), kLoopbackExitOk;
  if (options->mode == LoopbackOptions::Mode::Version)
    return out += LoopbackVersionText(), kLoopbackExitOk;

  // No cable or a clipping input ends the run within its first 2 s.
  analysis::SignalLayout layout;
  std::vector<float> captured;
  analysis::Measurement m;
  bool checked = false;
  DuplexRequest request{options->output, options->input, {options->rate}, options->format};
  if (!options->rate_given) request.rates = {48000, 44100, 96000, 88200, 192000, 176400};
  request.signal = [&](int rate) {
    layout = analysis::LayoutFor(rate, options->level_dbfs);
    return analysis::MakeTestSignal(layout);
  };
  request.keep_going = [&](std::size_t recorded) {
    if (!checked && recorded >= analysis::EarlyCheckFrames(layout)) {
      checked = true;
      m.checks = analysis::EarlyChecks(layout, captured);
    }
    return !m.checks.Fatal();
  };
  const DuplexOutcome outcome = io.PlayAndCapture(request, captured);
  if (outcome.status != DuplexOutcome::Status::Done) return DeviceFailure(outcome, err);
  for (const auto& warning : outcome.warnings) err += "tivrel-loopback: warning: " + warning + "\n";

  if (!m.checks.Fatal()) m = analysis::Analyse(layout, captured);
  const LoopbackRun run{outcome, outcome.rate, options->level_dbfs, m};
  out += options->json ? LoopbackJson(run) : LoopbackTable(run);
  for (const auto& advice : CheckAdvice(m.checks))
    err += std::string("tivrel-loopback: ") + (m.checks.Fatal() ? "" : "warning: ") + advice + "\n";
  if (!options->plot.empty() && !WritePlot(options->plot, LoopbackSvg(m), err))
    return kLoopbackExitOutput;
  return m.checks.Fatal() ? kLoopbackExitSetup : kLoopbackExitOk;
}

}  // namespace tivrel
