// tivrel-loopback for Linux: the portable tool over ALSA's devices.
#include <alsa/asoundlib.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "cli/loopback_tool.h"
#include "platform/linux/alsa/alsa_duplex.h"
#include "platform/linux/alsa/terminal_io.h"

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_DFL);
  tivrel::alsa::QuietAlsa();
  int code = tivrel::kLoopbackExitSystem;
  std::string out, err;
  try {
    tivrel::alsa::AlsaDuplex io(tivrel::alsa::OptionsFromEnvironment());
    code = tivrel::RunLoopbackTool(std::vector<std::string>(argv + 1, argv + argc), io, out, err);
  } catch (const std::exception& e) {
    err += std::string("tivrel-loopback: ") + e.what() + "\n";
  }
  snd_config_update_free_global();
  if (const int error = tivrel::alsa::WriteAll(1, out); error != 0) {
    if (error != EPIPE)
      err += std::string("tivrel-loopback: the output could not be written: ") +
             std::strerror(error) + "\n";
    code = tivrel::kLoopbackExitOutput;
  }
  tivrel::alsa::WriteAll(2, err);
  return code;
}
