// tivrel-channels for Linux: the core's channel walk on hw:C,D, or through
// the sound server that holds it. For tests, the service's environment seam
// applies (OptionsFromEnvironment) and ALSA_CONFIG_PATH decides what hw:C,D
// opens.
#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "cli/channels_tool.h"
#include "cli/text_output.h"
#include "platform/linux/alsa/alsa_playback.h"
#include "platform/linux/alsa/report_platform.h"
#include "platform/linux/alsa/server_playback.h"
#include "platform/linux/alsa/terminal_io.h"

namespace {

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) { interrupted = 1; }

class LinuxChannels final : public tivrel::ChannelsPlatform {
 public:
  explicit LinuxChannels(const tivrel::AnsiCodec& ansi)
      : options_(tivrel::alsa::OptionsFromEnvironment()), devices_(ansi, options_) {}

  tivrel::ReportPlatform& devices() override { return devices_; }

  std::unique_ptr<tivrel::sound::PlaybackStream> Open(const tivrel::DeviceListing& device,
                                                      tivrel::sound::StreamConfig& config,
                                                      tivrel::PlayPath& path, std::string& note,
                                                      tivrel::sound::StreamError& error) override {
    const std::string hw = device.location.hw;
    auto direct = std::make_unique<tivrel::alsa::AlsaPlayback>(hw);
    tivrel::sound::StreamConfig asked = config;
    error = direct->Open(config);
    if (!error) {
      path = tivrel::PlayPath::kDevice;
      return direct;
    }
    if (error.code != -EBUSY) return nullptr;
    // Held: through the sound server that plays to it, if one does.
    config = asked;
    tivrel::sound::StreamError serverError;
    auto server = tivrel::alsa::OpenServerPlayback(
        device.location.card, device.location.device, options_.root, config,
        [] { return interrupted != 0; }, note, serverError);
    if (!server) {
      error.message += "; " + serverError.message;
      return nullptr;
    }
    path = tivrel::PlayPath::kServer;
    return server;
  }

  bool Say(bool toOut, const std::string& text, std::string& why) override {
    const int error = tivrel::alsa::WriteAll(toOut ? 1 : 2, text);
    if (error != 0) why = std::strerror(error);
    return error == 0;
  }

  bool Interrupted() override { return interrupted != 0; }

 private:
  tivrel::alsa::AlsaOptions options_;
  tivrel::alsa::AlsaReportPlatform devices_;
};

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_DFL);
  struct sigaction stop = {};
  stop.sa_handler = OnInterrupt;  // no SA_RESTART: a waiting write returns at once
  sigemptyset(&stop.sa_mask);
  sigaction(SIGINT, &stop, nullptr);
  sigaction(SIGTERM, &stop, nullptr);
  tivrel::alsa::QuietAlsa();
  int code = tivrel::kChannelsExitSystem;
  std::string out, err;
  try {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto ansi = tivrel::alsa::MakeRecordCodec();
    LinuxChannels platform(*ansi);
    code = tivrel::RunChannelsTool(args, platform, out, err);
  } catch (const std::exception& e) {
    err += std::string("tivrel-channels: ") + e.what() + "\n";
  }
  snd_config_update_free_global();
  if (const int error = tivrel::alsa::WriteAll(1, out); error != 0) {
    if (error == EPIPE) return tivrel::kChannelsExitOutput;
    err += tivrel::OutputFailedMessage(std::strerror(error));
    if (code == 0) code = tivrel::kChannelsExitOutput;
  }
  tivrel::alsa::WriteAll(2, err);
  return code;
}
