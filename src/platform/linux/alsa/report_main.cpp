// tivrel-report for Linux: the core's report tool over the ALSA service.
// For tests, the service's environment seam applies (OptionsFromEnvironment).
#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "cli/report_tool.h"
#include "cli/text_output.h"
#include "platform/linux/alsa/report_platform.h"
#include "platform/linux/alsa/terminal_io.h"

int main(int argc, char** argv) {
  // A reader that went away ends us quietly, as it does other tools, even
  // when whoever started us ignored the signal.
  std::signal(SIGPIPE, SIG_DFL);
  tivrel::alsa::HoldClosedStreams();
  tivrel::alsa::QuietAlsa();
  int code = tivrel::kReportExitSystem;
  std::string out, err;
  try {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto ansi = tivrel::alsa::MakeRecordCodec();
    tivrel::alsa::AlsaReportPlatform platform(*ansi, tivrel::alsa::OptionsFromEnvironment());
    code = tivrel::RunReportTool(args, platform, out, err);
  } catch (const std::exception& e) {
    err += std::string("tivrel-report: ") + e.what() + "\n";
  }
  // Leaves nothing of ALSA's configuration cache for leak checkers.
  snd_config_update_free_global();
  if (const int error = tivrel::alsa::WriteAll(1, out); error != 0) {
    if (error == EPIPE) return tivrel::kReportExitOutput;
    err += tivrel::OutputFailedMessage(std::strerror(error));
    code = tivrel::kReportExitOutput;
  }
  tivrel::alsa::WriteAll(2, err);
  return code;
}
