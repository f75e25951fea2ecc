#include "platform/linux/alsa/server_playback.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/stream.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <map>
#include <optional>

#include "platform/linux/alsa/kernel_files.h"
#include "platform/linux/alsa/pulse_library.h"
#include "platform/linux/alsa/sound_server.h"

namespace tivrel::alsa {

namespace {

using sound::ChannelPosition;

ChannelPosition PositionOfPulse(pa_channel_position_t p) {
  switch (p) {
    case PA_CHANNEL_POSITION_MONO:
      return ChannelPosition::kMono;
    case PA_CHANNEL_POSITION_FRONT_LEFT:
      return ChannelPosition::kFrontLeft;
    case PA_CHANNEL_POSITION_FRONT_RIGHT:
      return ChannelPosition::kFrontRight;
    case PA_CHANNEL_POSITION_FRONT_CENTER:
      return ChannelPosition::kFrontCenter;
    case PA_CHANNEL_POSITION_REAR_CENTER:
      return ChannelPosition::kRearCenter;
    case PA_CHANNEL_POSITION_REAR_LEFT:
      return ChannelPosition::kRearLeft;
    case PA_CHANNEL_POSITION_REAR_RIGHT:
      return ChannelPosition::kRearRight;
    case PA_CHANNEL_POSITION_LFE:
      return ChannelPosition::kLfe;
    case PA_CHANNEL_POSITION_FRONT_LEFT_OF_CENTER:
      return ChannelPosition::kFrontLeftCenter;
    case PA_CHANNEL_POSITION_FRONT_RIGHT_OF_CENTER:
      return ChannelPosition::kFrontRightCenter;
    case PA_CHANNEL_POSITION_SIDE_LEFT:
      return ChannelPosition::kSideLeft;
    case PA_CHANNEL_POSITION_SIDE_RIGHT:
      return ChannelPosition::kSideRight;
    case PA_CHANNEL_POSITION_TOP_CENTER:
      return ChannelPosition::kTopCenter;
    case PA_CHANNEL_POSITION_TOP_FRONT_LEFT:
      return ChannelPosition::kTopFrontLeft;
    case PA_CHANNEL_POSITION_TOP_FRONT_RIGHT:
      return ChannelPosition::kTopFrontRight;
    case PA_CHANNEL_POSITION_TOP_FRONT_CENTER:
      return ChannelPosition::kTopFrontCenter;
    case PA_CHANNEL_POSITION_TOP_REAR_LEFT:
      return ChannelPosition::kTopRearLeft;
    case PA_CHANNEL_POSITION_TOP_REAR_RIGHT:
      return ChannelPosition::kTopRearRight;
    case PA_CHANNEL_POSITION_TOP_REAR_CENTER:
      return ChannelPosition::kTopRearCenter;
    default:
      return ChannelPosition::kUnknown;
  }
}

// The sink found on the device, as the list of sinks gave it.
struct SinkFound {
  const Pulse* pa = nullptr;
  std::pair<int, int> device;
  std::vector<CardEntry> cards;
  bool done = false;
  std::string name;
  pa_channel_map map{};
};

void OnSink(pa_context*, const pa_sink_info* info, int eol, void* data) {
  auto& found = *static_cast<SinkFound*>(data);
  if (eol != 0 || info == nullptr) {
    found.done = true;
    return;
  }
  std::map<std::string, std::string> properties;
  void* state = nullptr;
  while (const char* key = found.pa->pa_proplist_iterate(info->proplist, &state)) {
    if (const char* text = found.pa->pa_proplist_gets(info->proplist, key)) properties[key] = text;
  }
  if (found.name.empty() && AlsaDeviceOfSink(properties, found.cards) == found.device) {
    found.name = info->name;
    found.map = info->channel_map;
  }
}

class ServerPlayback final : public sound::PlaybackStream {
 public:
  ServerPlayback(const Pulse& pa, std::string hw, std::function<bool()> stop)
      : pa_(pa), hw_(std::move(hw)), stop_(std::move(stop)) {}
  ~ServerPlayback() override { Close(); }

  // Connects and finds the sink on (card, device): false, with `error` set,
  // when there is no server or no such sink.
  bool FindSink(std::pair<int, int> device, const std::filesystem::path& root,
                sound::StreamError& error);
  const std::string& sink() const { return sink_.name; }

  sound::StreamError Open(sound::StreamConfig& config) override;
  std::optional<std::vector<ChannelPosition>> ChannelMap() override { return positions_; }
  sound::StreamError Write(std::span<const float> samples) override;
  sound::StreamError Drain() override;
  void Close() override;

 private:
  using Clock = std::chrono::steady_clock;
  // Turns the loop until `done`; false when the deadline, the loop's end or
  // `stop` comes first.
  template <class Done>
  bool Until(Done done, Clock::time_point deadline = Clock::time_point::max()) {
    while (!done()) {
      const auto now = Clock::now();
      if (stop_() || now >= deadline) return false;
      // Each wait is cut short, so that neither a deadline nor Ctrl+C waits
      // on a server that says nothing.
      const auto wait = std::min<Clock::duration>(deadline - now, std::chrono::milliseconds(50));
      const auto us = std::chrono::duration_cast<std::chrono::microseconds>(wait).count();
      if (pa_.pa_mainloop_prepare(loop_, static_cast<int>(us)) < 0 ||
          pa_.pa_mainloop_poll(loop_) < 0 || pa_.pa_mainloop_dispatch(loop_) < 0)
        return false;
    }
    return true;
  }
  sound::StreamError Fail(const char* call, int code = 0) const {
    if (code == 0 && context_) code = pa_.pa_context_errno(context_);
    if (code == 0) code = PA_ERR_UNKNOWN;
    return {code, hw_ + " through the sound server: " + call + " failed: " + pa_.pa_strerror(code) +
                      " (" + std::to_string(code) + ")"};
  }

  const Pulse& pa_;
  std::string hw_;
  std::function<bool()> stop_;
  pa_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  SinkFound sink_;
  std::optional<std::vector<ChannelPosition>> positions_;
};

bool ServerPlayback::FindSink(std::pair<int, int> device, const std::filesystem::path& root,
                              sound::StreamError& error) {
  const auto deadline = Clock::now() + std::chrono::seconds(2);
  loop_ = pa_.pa_mainloop_new();
  context_ =
      loop_ ? pa_.pa_context_new(pa_.pa_mainloop_get_api(loop_), "tivrel-channels") : nullptr;
  if (!context_ || pa_.pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
    error = Fail("pa_context_connect");
    return false;
  }
  const auto ready = [&] {
    const auto s = pa_.pa_context_get_state(context_);
    return s == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(s);
  };
  if (!Until(ready, deadline) || pa_.pa_context_get_state(context_) != PA_CONTEXT_READY) {
    error = Fail("pa_context_connect", pa_.pa_context_errno(context_) ? 0 : PA_ERR_TIMEOUT);
    return false;
  }
  sink_ = {.pa = &pa_, .device = device, .cards = ReadCards(root)};
  pa_operation* op = pa_.pa_context_get_sink_info_list(context_, OnSink, &sink_);
  const bool listed = op && Until([&] { return sink_.done; }, deadline);
  if (op) {
    if (!listed) pa_.pa_operation_cancel(op);
    pa_.pa_operation_unref(op);
  }
  if (!listed) {
    error = Fail("pa_context_get_sink_info_list", op ? PA_ERR_TIMEOUT : 0);
    return false;
  }
  if (sink_.name.empty()) {
    error = {PA_ERR_NOENTITY, hw_ + ": none of the sound server's sinks plays to it"};
    return false;
  }
  return true;
}

sound::StreamError ServerPlayback::Open(sound::StreamConfig& config) {
  pa_channel_map map = sink_.map;
  if (config.channels != 0 && config.channels != map.channels &&
      !pa_.pa_channel_map_init_auto(&map, config.channels, PA_CHANNEL_MAP_ALSA)) {
    return Fail("pa_channel_map_init_auto", PA_ERR_INVALID);
  }
  config.channels = map.channels;
  const pa_sample_spec sampleFormat{PA_SAMPLE_FLOAT32LE, config.rate,
                                    static_cast<uint8_t>(map.channels)};
  stream_ = pa_.pa_stream_new(context_, "tivrel-channels", &sampleFormat, &map);
  if (!stream_) return Fail("pa_stream_new");
  const uint32_t frame = 4 * map.channels;
  const pa_buffer_attr attr{.maxlength = config.bufferFrames * frame,
                            .tlength = config.bufferFrames * frame,
                            .prebuf = config.periodFrames * frame,
                            .minreq = config.periodFrames * frame,
                            .fragsize = static_cast<uint32_t>(-1)};
  if (pa_.pa_stream_connect_playback(stream_, sink_.name.c_str(), &attr, PA_STREAM_NOFLAGS, nullptr,
                                     nullptr) < 0) {
    return Fail("pa_stream_connect_playback");
  }
  const auto ready = [&] {
    const auto s = pa_.pa_stream_get_state(stream_);
    return s == PA_STREAM_READY || !PA_STREAM_IS_GOOD(s);
  };
  if (!Until(ready, Clock::now() + std::chrono::seconds(2)) ||
      pa_.pa_stream_get_state(stream_) != PA_STREAM_READY) {
    return Fail("pa_stream_connect_playback", stop_() ? PA_ERR_KILLED : 0);
  }
  positions_.emplace();
  for (unsigned i = 0; i < map.channels; ++i) positions_->push_back(PositionOfPulse(map.map[i]));
  return {};
}

sound::StreamError ServerPlayback::Write(std::span<const float> samples) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(samples.data());
  size_t left = samples.size_bytes();
  while (left > 0) {
    size_t room = 0;
    if (!Until([&] {
          room = pa_.pa_stream_writable_size(stream_);
          return room > 0 && room != static_cast<size_t>(-1);
        })) {
      return stop_() ? sound::StreamError{EINTR, hw_ + ": stopped"}
                     : Fail("pa_stream_writable_size");
    }
    const size_t n = std::min(room, left);
    if (pa_.pa_stream_write(stream_, bytes, n, nullptr, 0, PA_SEEK_RELATIVE) < 0)
      return Fail("pa_stream_write");
    bytes += n, left -= n;
  }
  return {};
}

sound::StreamError ServerPlayback::Drain() {
  pa_operation* op = pa_.pa_stream_drain(stream_, nullptr, nullptr);
  if (!op) return Fail("pa_stream_drain");
  const bool done = Until([&] { return pa_.pa_operation_get_state(op) != PA_OPERATION_RUNNING; });
  if (!done) pa_.pa_operation_cancel(op);
  pa_.pa_operation_unref(op);
  if (!done)
    return stop_() ? sound::StreamError{EINTR, hw_ + ": stopped"} : Fail("pa_stream_drain");
  return {};
}

void ServerPlayback::Close() {
  if (stream_) {
    pa_.pa_stream_disconnect(stream_);
    pa_.pa_stream_unref(stream_);
    stream_ = nullptr;
  }
  if (context_) {
    pa_.pa_context_disconnect(context_);
    pa_.pa_context_unref(context_);
    context_ = nullptr;
  }
  if (loop_) pa_.pa_mainloop_free(loop_);
  loop_ = nullptr;
}

}  // namespace

std::unique_ptr<sound::PlaybackStream> OpenServerPlayback(
    int card, int device, const std::filesystem::path& root, sound::StreamConfig& config,
    std::function<bool()> stop, std::string& note, sound::StreamError& error) {
  const std::string hw = "hw:" + std::to_string(card) + "," + std::to_string(device);
  const Pulse* pa = BoundPulse();
  if (!pa) {
    error = {ENOENT, hw + ": libpulse is not installed, so no sound server can play to it"};
    return nullptr;
  }
  auto stream = std::make_unique<ServerPlayback>(*pa, hw, std::move(stop));
  if (!stream->FindSink({card, device}, root, error)) return nullptr;
  if ((error = stream->Open(config))) return nullptr;
  note = hw + " is held by the sound server: playing through its sink " + stream->sink();
  return stream;
}

}  // namespace tivrel::alsa
