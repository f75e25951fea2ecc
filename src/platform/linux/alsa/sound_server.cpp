#include "platform/linux/alsa/sound_server.h"

namespace tivrel::alsa {

std::optional<ServerDefault> AskSoundServer(std::chrono::milliseconds) { return std::nullopt; }

std::optional<std::pair<int, int>> AlsaDeviceOfSink(const std::map<std::string, std::string>&,
                                                    const std::vector<CardEntry>&) {
  return std::nullopt;
}

}  // namespace tivrel::alsa
