#include "platform/linux/alsa/server_sockets.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/alsa/kernel_files.h"

namespace tivrel::alsa {

namespace {

namespace fs = std::filesystem;

std::optional<fs::path> Variable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return fs::path(value);
}

// The sockets libpulse tries for a server that is not named: the user's
// runtime folder (PULSE_RUNTIME_PATH, else XDG_RUNTIME_DIR's pulse/), each
// with its own file name, and the system-wide server's.
std::vector<fs::path> Sockets() {
  std::vector<fs::path> sockets = {"/run/pulse/native", "/var/run/pulse/native",
                                   "/run/user/" + std::to_string(::getuid()) + "/pulse/native"};
  if (const auto runtime = Variable("PULSE_RUNTIME_PATH")) {
    sockets.push_back(*runtime / "native");
  } else if (const auto xdg = Variable("XDG_RUNTIME_DIR")) {
    sockets.push_back(*xdg / "pulse" / "native");
  }
  return sockets;
}

// The client.conf files libpulse reads: PULSE_CLIENTCONFIG instead of the
// others when it is set.
std::vector<fs::path> ClientConfs() {
  if (const auto conf = Variable("PULSE_CLIENTCONFIG")) return {*conf};
  std::vector<fs::path> confs = {"/etc/pulse/client.conf"};
  if (const auto config = Variable("XDG_CONFIG_HOME"))
    confs.push_back(*config / "pulse/client.conf");
  if (const auto home = Variable("HOME")) confs.push_back(*home / ".config/pulse/client.conf");
  return confs;
}

bool NamesServer(std::string_view text) {
  for (size_t at = 0; at < text.size();) {
    const size_t end = std::min(text.find('\n', at), text.size());
    const std::string_view line = text.substr(at, end - at);
    const auto first = line.find_first_not_of(" \t\r");
    if (first != std::string_view::npos && line.substr(first).rfind("default-server", 0) == 0) {
      return true;
    }
    at = end + 1;
  }
  return false;
}

}  // namespace

bool ServerMayAnswer() {
  if (Variable("PULSE_SERVER") || Variable("DISPLAY")) return true;
  std::error_code ec;
  for (const auto& socket : Sockets()) {
    if (fs::is_socket(socket, ec)) return true;
  }
  for (const auto& conf : ClientConfs()) {
    // Non-blocking, and a regular file only.
    if (const auto text = ReadSmallFile(conf, 64 * 1024); text && NamesServer(*text)) return true;
  }
  return false;
}

}  // namespace tivrel::alsa
