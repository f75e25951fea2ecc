// tivrel-report for Linux: the core's report tool over the ALSA service.
// For tests, the service's environment seam applies (OptionsFromEnvironment).
#include <alsa/asoundlib.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "app/report_tool.h"
#include "platform/linux/alsa/alsa_waveout.h"

namespace {

// ALSA's own diagnostics would interleave with the report; the tool states
// failures itself.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

void Write(std::FILE* stream, const std::string& bytes) {
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), stream);
  std::fflush(stream);
}

}  // namespace

int main(int argc, char** argv) {
  snd_lib_error_set_handler(QuietAlsa);
  int code = tivrel::kReportExitQueryFailed;
  std::string out, err;
  try {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto ansi = tivrel::alsa::MakeRecordCodec();
    tivrel::alsa::AlsaWaveOut waveOut(*ansi, tivrel::alsa::OptionsFromEnvironment());
    code = tivrel::RunReportTool(args, waveOut, *ansi, out, err);
  } catch (const std::exception& e) {
    err += std::string("tivrel-report: ") + e.what() + "\n";
  }
  Write(stdout, out);
  Write(stderr, err);
  // Leaves nothing of ALSA's configuration cache for leak checkers.
  snd_config_update_free_global();
  return code;
}
