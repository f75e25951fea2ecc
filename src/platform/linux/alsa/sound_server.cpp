#include "platform/linux/alsa/sound_server.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/linux/alsa/kernel_files.h"
#include "platform/linux/alsa/pulse_library.h"
#include "platform/linux/alsa/server_sockets.h"

namespace tivrel::alsa {

namespace {

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

// One connection to the server, through one loop of its own.
struct Connection {
  const Pulse* pa;
  Held<pa_mainloop> loop;
  Held<pa_context> context;
  Clock::time_point deadline;

  bool Answered(pa_operation* op) const {
    const Held<pa_operation> held(op, Release{pa});
    return alsa::Answered(*pa, loop.get(), op, deadline);
  }
};

// Connected and ready before the deadline, never starting a server.
std::optional<Connection> Connect(Clock::time_point deadline) {
  const Pulse* pa = BoundPulse();
  if (!pa) return std::nullopt;
  Connection c{pa, Held<pa_mainloop>(pa->pa_mainloop_new(), Release{pa}),
               Held<pa_context>(nullptr, Release{pa}), deadline};
  if (!c.loop) return std::nullopt;
  c.context.reset(pa->pa_context_new(pa->pa_mainloop_get_api(c.loop.get()), "Tivrel"));
  if (!c.context ||
      pa->pa_context_connect(c.context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
    return std::nullopt;
  }
  const bool settled = RunUntil(*pa, c.loop.get(), deadline, [&] {
    const pa_context_state_t state = pa->pa_context_get_state(c.context.get());
    return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
  });
  if (!settled || pa->pa_context_get_state(c.context.get()) != PA_CONTEXT_READY) {
    return std::nullopt;
  }
  return c;
}

struct ServerAnswer {
  bool given = false;
  std::string server;
  std::string sink;
  std::string source;
};

// The server's name and its default sink or source.
std::optional<ServerDefault> AskDefault(const Connection& c, Direction stream) {
  ServerAnswer server;
  const bool answered = c.Answered(c.pa->pa_context_get_server_info(
      c.context.get(),
      [](pa_context*, const pa_server_info* info, void* user) {
        auto& answer = *static_cast<ServerAnswer*>(user);
        if (!info) return;
        answer.given = true;
        answer.server = std::string(info->server_name ? info->server_name : "") + " " +
                        (info->server_version ? info->server_version : "");
        answer.sink = info->default_sink_name ? info->default_sink_name : "";
        answer.source = info->default_source_name ? info->default_source_name : "";
      },
      &server));
  if (!answered || !server.given) return std::nullopt;
  return ServerDefault{server.server, stream == Direction::kCapture ? server.source : server.sink};
}

struct SinkAnswer {
  bool found = false;
  std::map<std::string, std::string> properties;
  const Pulse* pa = nullptr;
};

// A sink's or a source's properties, whichever was asked for.
std::optional<std::map<std::string, std::string>> AskProperties(const Connection& c,
                                                                const std::string& name,
                                                                Direction stream) {
  SinkAnswer sink;
  sink.pa = c.pa;
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
  const bool answered = c.Answered(stream == Direction::kCapture
                                       ? c.pa->pa_context_get_source_info_by_name(
                                             c.context.get(), name.c_str(),
                                             [](pa_context*, const pa_source_info* info, int last,
                                                void* user) { decltype(take){}(info, last, user); },
                                             &sink)
                                       : c.pa->pa_context_get_sink_info_by_name(
                                             c.context.get(), name.c_str(),
                                             [](pa_context*, const pa_sink_info* info, int last,
                                                void* user) { decltype(take){}(info, last, user); },
                                             &sink));
  if (!answered || !sink.found) return std::nullopt;
  return std::move(sink.properties);
}

// The whole question on the calling thread: loading libpulse, connecting
// and both answers, each cut at the deadline.
std::optional<ServerDefault> Ask(Clock::time_point deadline, const std::filesystem::path& root,
                                 Direction stream) {
  const auto connection = Connect(deadline);
  if (!connection) return std::nullopt;
  auto result = AskDefault(*connection, stream);
  if (!result || result->sink.empty()) return result;
  auto properties = AskProperties(*connection, result->sink, stream);
  if (!properties) return std::nullopt;
  // A sink's monitor records what the sink plays, not a device's input.
  if ((*properties)["device.class"] == "monitor") return result;
  if (const auto device = AlsaDeviceOfSink(*properties, ReadCards(root))) {
    result->card = device->first;
    result->device = device->second;
  }
  return result;
}

// A question asked on a thread of its own, and its answer once there.
struct Question {
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  std::optional<ServerDefault> answer;
};

// Questions whose thread is still inside libpulse, held up by something it
// reads; past a few, no more are asked until one ends.
std::atomic<int> unfinished{0};
constexpr int kMostUnfinished = 4;

}  // namespace

std::optional<ServerDefault> AskSoundServer(std::chrono::milliseconds timeout,
                                            const std::filesystem::path& root, Direction stream) {
  const Clock::time_point deadline = Clock::now() + timeout;
  if (!ServerMayAnswer()) return std::nullopt;
  // libpulse may read a FIFO or a device in a file's place (the cookie,
  // client.conf) and never return: it is asked on a thread that is left
  // behind at the deadline.
  if (unfinished.fetch_add(1) >= kMostUnfinished) {
    --unfinished;
    return std::nullopt;
  }
  auto question = std::make_shared<Question>();
  try {
    std::thread([question, deadline, root, stream] {
      auto answer = Ask(deadline, root, stream);
      {
        const std::lock_guard lock(question->mutex);
        question->answer = std::move(answer);
        question->done = true;
      }
      question->ended.notify_all();
      --unfinished;
    }).detach();
  } catch (const std::system_error&) {
    --unfinished;
    return std::nullopt;
  }
  std::unique_lock lock(question->mutex);
  if (!question->ended.wait_until(lock, deadline, [&] { return question->done; })) {
    return std::nullopt;
  }
  return std::move(question->answer);
}

}  // namespace tivrel::alsa
