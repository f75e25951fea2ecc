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

namespace {

// ALSA's own diagnostics would interleave with the report; the tool states
// failures itself.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

// A standard stream that the caller closed is held by a descriptor that
// cannot be written, so that nothing opened later (an ALSA device, a /proc
// file) takes its number and receives the report.
void HoldClosedStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
      const int held = open("/dev/null", O_RDONLY | O_CLOEXEC);
      if (held >= 0 && held != fd) {
        dup2(held, fd);
        close(held);
      }
    }
  }
}

// 0, or the errno of the write that failed.
int WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    done += static_cast<size_t>(n);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A reader that went away ends us quietly, as it does other tools, even
  // when whoever started us ignored the signal.
  std::signal(SIGPIPE, SIG_DFL);
  HoldClosedStreams();
  snd_lib_error_set_handler(QuietAlsa);
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
  if (const int error = WriteAll(1, out); error != 0) {
    if (error == EPIPE) return tivrel::kReportExitOutput;
    err += tivrel::OutputFailedMessage(std::strerror(error));
    code = tivrel::kReportExitOutput;
  }
  WriteAll(2, err);
  return code;
}
