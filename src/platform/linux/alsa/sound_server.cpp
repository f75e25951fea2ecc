#include "platform/linux/alsa/sound_server.h"

#include <dlfcn.h>
#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/operation.h>
#include <pulse/proplist.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string_view>

#include "platform/linux/alsa/kernel_files.h"

namespace tivrel::alsa {

namespace {

// The libpulse calls this file makes; only the headers' types are compiled in.
// clang-format off
#define TIVREL_PULSE_CALLS(X)                                                               \
  X(pa_mainloop_new) X(pa_mainloop_free) X(pa_mainloop_get_api) X(pa_mainloop_prepare)      \
  X(pa_mainloop_poll) X(pa_mainloop_dispatch)                                               \
  X(pa_context_new) X(pa_context_connect) X(pa_context_disconnect) X(pa_context_unref)      \
  X(pa_context_get_state) X(pa_context_get_server_info) X(pa_context_get_sink_info_by_name) \
  X(pa_context_get_source_info_by_name)                                                     \
  X(pa_operation_get_state) X(pa_operation_cancel) X(pa_operation_unref)                    \
  X(pa_proplist_iterate) X(pa_proplist_gets)
// clang-format on

struct Pulse {
#define TIVREL_PULSE_MEMBER(name) decltype(&::name) name = nullptr;
  TIVREL_PULSE_CALLS(TIVREL_PULSE_MEMBER)
#undef TIVREL_PULSE_MEMBER
};

// libpulse bound at the first question and kept: neither program needs it
// installed, and neither pays for loading it at start-up. Null without it.
const Pulse* BoundPulse() {
  static const std::optional<Pulse> pulse = []() -> std::optional<Pulse> {
    void* library = ::dlopen("libpulse.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!library) return std::nullopt;
    Pulse p;
    bool complete = true;
#define TIVREL_PULSE_BIND(name)                                         \
  p.name = reinterpret_cast<decltype(p.name)>(::dlsym(library, #name)); \
  complete = complete && p.name;
    TIVREL_PULSE_CALLS(TIVREL_PULSE_BIND)
#undef TIVREL_PULSE_BIND
    if (!complete) {
      ::dlclose(library);
      return std::nullopt;
    }
    return p;
  }();
  return pulse ? &*pulse : nullptr;
}

// Releases each libpulse object on every path: an operation still running is
// cancelled first, so that no answer arrives for a finished question.
struct Release {
  const Pulse* pa;
  void operator()(pa_mainloop* m) const { pa->pa_mainloop_free(m); }
  void operator()(pa_context* c) const {
    pa->pa_context_disconnect(c);
    pa->pa_context_unref(c);
  }
  void operator()(pa_operation* o) const {
    if (pa->pa_operation_get_state(o) == PA_OPERATION_RUNNING) pa->pa_operation_cancel(o);
    pa->pa_operation_unref(o);
  }
};
template <class T>
using Held = std::unique_ptr<T, Release>;

using Clock = std::chrono::steady_clock;

// Turns the loop until `done` or the deadline, whichever comes first; every
// wait is cut at the deadline, so a server that never answers costs no more.
template <class Done>
bool RunUntil(const Pulse& pa, pa_mainloop* loop, Clock::time_point deadline, Done done) {
  while (!done()) {
    const auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    const int wait = static_cast<int>(std::min<long long>(left, INT_MAX));
    if (pa.pa_mainloop_prepare(loop, wait) < 0 || pa.pa_mainloop_poll(loop) < 0 ||
        pa.pa_mainloop_dispatch(loop) < 0) {
      return false;
    }
  }
  return true;
}

// The operation answered before the deadline.
bool Answered(const Pulse& pa, pa_mainloop* loop, pa_operation* op, Clock::time_point deadline) {
  if (!op) return false;
  const bool ended = RunUntil(
      pa, loop, deadline, [&] { return pa.pa_operation_get_state(op) != PA_OPERATION_RUNNING; });
  return ended && pa.pa_operation_get_state(op) == PA_OPERATION_DONE;
}

struct ServerAnswer {
  bool given = false;
  std::string server;
  std::string sink;
  std::string source;
};

struct SinkAnswer {
  bool found = false;
  std::map<std::string, std::string> properties;
  const Pulse* pa = nullptr;
};

std::optional<int> Whole(std::string_view text) {
  int value = -1;
  const auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
  if (parsed.ec != std::errc{} || parsed.ptr != text.data() + text.size() || value < 0) {
    return std::nullopt;
  }
  return value;
}

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// Whether a server may answer at all, by what libpulse itself would try: a
// server named in the environment or in a client.conf, a display that may
// name one, or a socket in the user's runtime folder or the system's. Without
// any, libpulse (some 25 libraries) is not even loaded.
bool ServerMayAnswer() {
  auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
  };
  if (set("PULSE_SERVER") || set("DISPLAY")) return true;
  std::vector<std::filesystem::path> sockets = {
      "/run/pulse/native", "/var/run/pulse/native",
      "/run/user/" + std::to_string(::getuid()) + "/pulse/native"};
  if (set("PULSE_RUNTIME_PATH")) sockets.emplace_back(std::getenv("PULSE_RUNTIME_PATH"));
  if (set("XDG_RUNTIME_DIR")) sockets.emplace_back(std::getenv("XDG_RUNTIME_DIR"));
  if (set("PULSE_RUNTIME_PATH")) sockets.back() /= "native";
  if (set("XDG_RUNTIME_DIR")) sockets.back() /= "pulse/native";
  std::error_code ec;
  for (const auto& socket : sockets) {
    if (std::filesystem::is_socket(socket, ec)) return true;
  }
  std::vector<std::filesystem::path> confs = {"/etc/pulse/client.conf"};
  if (set("XDG_CONFIG_HOME"))
    confs.emplace_back(std::filesystem::path(std::getenv("XDG_CONFIG_HOME")) / "pulse/client.conf");
  if (set("HOME"))
    confs.emplace_back(std::filesystem::path(std::getenv("HOME")) / ".config/pulse/client.conf");
  for (const auto& conf : confs) {
    const auto text = ReadSmallFile(conf, 64 * 1024);
    if (!text) continue;
    for (size_t at = 0; at < text->size();) {
      const size_t end = std::min(text->find('\n', at), text->size());
      const std::string_view line = Trimmed(std::string_view(*text).substr(at, end - at));
      if (line.rfind("default-server", 0) == 0) return true;
      at = end + 1;
    }
  }
  return false;
}

// PCMs whose DEV argument, if any, is the card's device number. hdmi, iec958
// and spdif number their outputs instead; plug and plugins of other kinds
// name no card here at all.
bool NamesCardDevice(std::string_view pcm) {
  static constexpr std::string_view kNames[] = {
      "hw", "plughw", "dmix", "front", "rear", "center_lfe", "side", "sysdefault", "default"};
  return std::find(std::begin(kNames), std::end(kNames), pcm) != std::end(kNames) ||
         pcm.substr(0, 8) == "surround";
}

// "hw:1,0", "front:CARD=PCH,DEV=0", "hw:sofhdadsp,4", "_ucm0001.hw:PCH,0".
std::optional<std::pair<int, int>> DeviceOfPcmName(std::string_view name,
                                                   const std::vector<CardEntry>& cards) {
  name = Trimmed(name);
  // A PCM that ALSA's use-case manager opened carries its own prefix.
  if (name.substr(0, 4) == "_ucm" && name.find('.') != std::string_view::npos) {
    name.remove_prefix(name.find('.') + 1);
  }
  const auto colon = name.find(':');
  if (colon == std::string_view::npos || !NamesCardDevice(name.substr(0, colon))) {
    return std::nullopt;
  }
  std::string_view args = name.substr(colon + 1);
  std::optional<std::string_view> card, device;
  for (int position = 0; !args.empty(); ++position) {
    const auto comma = args.find(',');
    std::string_view arg = args.substr(0, comma);
    args = comma == std::string_view::npos ? std::string_view() : args.substr(comma + 1);
    std::string_view key = position == 0 ? "CARD" : position == 1 ? "DEV" : "SUBDEV";
    if (const auto equals = arg.find('='); equals != std::string_view::npos) {
      key = arg.substr(0, equals);
      arg = arg.substr(equals + 1);
    }
    if (arg.size() >= 2 && arg.front() == '"' && arg.back() == '"') {
      arg = arg.substr(1, arg.size() - 2);
    }
    if (key == "CARD") card = arg;
    if (key == "DEV") device = arg;
  }
  if (!card) return std::nullopt;
  std::optional<int> cardIndex = Whole(*card);
  for (const auto& entry : cards) {
    if (!cardIndex && entry.id == *card) cardIndex = entry.index;
  }
  const std::optional<int> deviceIndex = device ? Whole(*device) : 0;
  if (!cardIndex || !deviceIndex) return std::nullopt;
  return std::pair(*cardIndex, *deviceIndex);
}

}  // namespace

std::optional<std::pair<int, int>> AlsaDeviceOfSink(
    const std::map<std::string, std::string>& properties, const std::vector<CardEntry>& cards) {
  const auto value = [&](const char* key) -> std::optional<std::string_view> {
    const auto it = properties.find(key);
    if (it == properties.end()) return std::nullopt;
    return it->second;
  };
  if (value("device.api") != "alsa") return std::nullopt;
  // Both come from the PCM the server opened; alone, alsa.device is that of a
  // plugin without a card and means nothing.
  const auto card = value("alsa.card"), device = value("alsa.device");
  if (card && device) {
    const auto c = Whole(Trimmed(*card)), d = Whole(Trimmed(*device));
    if (c && d) return std::pair(*c, *d);
  }
  for (const char* key : {"api.alsa.path", "device.string"}) {
    if (const auto pcm = value(key)) {
      if (const auto found = DeviceOfPcmName(*pcm, cards)) return found;
    }
  }
  return std::nullopt;
}

std::optional<ServerDefault> AskSoundServer(std::chrono::milliseconds timeout,
                                            const std::filesystem::path& root, PcmStream stream) {
  const Clock::time_point deadline = Clock::now() + timeout;
  if (!ServerMayAnswer()) return std::nullopt;
  const Pulse* pa = BoundPulse();
  if (!pa) return std::nullopt;
  const Held<pa_mainloop> loop(pa->pa_mainloop_new(), Release{pa});
  if (!loop) return std::nullopt;
  const Held<pa_context> context(pa->pa_context_new(pa->pa_mainloop_get_api(loop.get()), "Tivrel"),
                                 Release{pa});
  if (!context) return std::nullopt;
  if (pa->pa_context_connect(context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
    return std::nullopt;
  }
  const bool connected = RunUntil(*pa, loop.get(), deadline, [&] {
    const pa_context_state_t state = pa->pa_context_get_state(context.get());
    return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
  });
  if (!connected || pa->pa_context_get_state(context.get()) != PA_CONTEXT_READY) {
    return std::nullopt;
  }

  ServerAnswer server;
  const Held<pa_operation> serverInfo(
      pa->pa_context_get_server_info(
          context.get(),
          [](pa_context*, const pa_server_info* info, void* user) {
            auto& answer = *static_cast<ServerAnswer*>(user);
            if (!info) return;
            answer.given = true;
            answer.server = std::string(info->server_name ? info->server_name : "") + " " +
                            (info->server_version ? info->server_version : "");
            answer.sink = info->default_sink_name ? info->default_sink_name : "";
            answer.source = info->default_source_name ? info->default_source_name : "";
          },
          &server),
      Release{pa});
  if (!Answered(*pa, loop.get(), serverInfo.get(), deadline) || !server.given) {
    return std::nullopt;
  }
  const bool capture = stream == PcmStream::kCapture;
  ServerDefault result{server.server, capture ? server.source : server.sink};
  if (result.sink.empty()) return result;

  // A sink's or a source's properties, whichever was asked for.
  SinkAnswer sink;
  sink.pa = pa;
  auto take = [](const auto* info, int last, void* user) {
    auto& answer = *static_cast<SinkAnswer*>(user);
    if (last != 0 || !info) return;
    answer.found = true;
    void* state = nullptr;
    while (const char* key = answer.pa->pa_proplist_iterate(info->proplist, &state)) {
      // Binary values give no text and say nothing of a device.
      if (const char* text = answer.pa->pa_proplist_gets(info->proplist, key)) {
        answer.properties[key] = text;
      }
    }
  };
  const Held<pa_operation> sinkInfo(
      capture ? pa->pa_context_get_source_info_by_name(
                    context.get(), result.sink.c_str(),
                    [](pa_context*, const pa_source_info* info, int last, void* user) {
                      decltype(take){}(info, last, user);
                    },
                    &sink)
              : pa->pa_context_get_sink_info_by_name(
                    context.get(), result.sink.c_str(),
                    [](pa_context*, const pa_sink_info* info, int last, void* user) {
                      decltype(take){}(info, last, user);
                    },
                    &sink),
      Release{pa});
  if (!Answered(*pa, loop.get(), sinkInfo.get(), deadline) || !sink.found) return std::nullopt;
  // A sink's monitor records what the sink plays, not a device's input.
  if (sink.properties["device.class"] == "monitor") return result;
  if (const auto device = AlsaDeviceOfSink(sink.properties, ReadCards(root))) {
    result.card = device->first;
    result.device = device->second;
  }
  return result;
}

}  // namespace tivrel::alsa
