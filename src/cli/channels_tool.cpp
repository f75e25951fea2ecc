#include "cli/channels_tool.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "cli/channels_options.h"
#include "cli/report_tool.h"
#include "cli/text_output.h"
#include "sound/test_signal.h"

namespace tivrel {

namespace {

using Json = nlohmann::ordered_json;
using sound::ChannelPosition;

constexpr const char* kName = "tivrel-channels: ";

struct Step {
  unsigned channel = 0;  // from 0
  ChannelPosition position = ChannelPosition::kUnknown;
  uint64_t start = 0, end = 0;  // frames of the stream, end exclusive
};

struct Session {
  const ChannelsOptions& options;
  ChannelsPlatform& platform;
  sound::PlaybackStream& stream;
  sound::StreamConfig config;
  std::vector<ChannelPosition> map;
  std::vector<Step> steps;
  uint64_t frames = 0;  // written so far
  std::string error;    // why playing stopped
};

std::string Announcement(unsigned channel, ChannelPosition position) {
  const sound::ChannelName name = sound::NameOf(position);
  return std::to_string(channel + 1) + " " + std::string(name.chinese) + " " +
         std::string(name.english) + "\n";
}

// Plays one channel for the step's length; a status other than 0 stops all.
int PlayStep(Session& s, sound::TestSignal& signal, unsigned channel) {
  const uint32_t rate = s.config.rate;
  const unsigned count = s.config.channels;
  const auto length = static_cast<uint64_t>(std::llround(s.options.seconds * rate));
  std::string why;
  if (!s.platform.Say(!s.options.json, Announcement(channel, s.map[channel]), why)) {
    s.error = OutputFailedMessage(why);
    return kChannelsExitOutput;
  }
  s.steps.push_back({channel, s.map[channel], s.frames, s.frames});
  signal.Restart();
  std::vector<float> mono(s.config.periodFrames), frames(mono.size() * count);
  for (uint64_t done = 0; done < length;) {
    if (s.platform.Interrupted()) return kChannelsExitInterrupted;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(mono.size(), length - done));
    signal.Fill({mono.data(), n});
    std::fill(frames.begin(), frames.end(), 0.0f);
    for (size_t i = 0; i < n; ++i) {
      frames[i * count + channel] = mono[i] * sound::StepEnvelope(done + i, length, rate);
    }
    if (const auto e = s.stream.Write({frames.data(), n * count})) {
      if (s.platform.Interrupted()) return kChannelsExitInterrupted;
      s.error = kName + e.message + "\n";
      return kChannelsExitStream;
    }
    done += n, s.frames += n;
    s.steps.back().end = s.frames;
  }
  return kChannelsExitOk;
}

int PlayAll(Session& s) {
  std::string why;
  auto signal = sound::TestSignal::Make(s.options.signal, s.config.rate, why);
  if (!signal) {
    s.error = kName + why + "\n";
    return kChannelsExitUsage;
  }
  std::vector<unsigned> walk = sound::WalkOrder(s.map);
  if (s.options.channel != 0) walk = {s.options.channel - 1};
  for (unsigned loop = 0; loop < s.options.loops; ++loop) {
    for (const unsigned channel : walk) {
      if (const int status = PlayStep(s, *signal, channel); status != 0) return status;
    }
  }
  if (s.platform.Interrupted()) return kChannelsExitInterrupted;
  if (const auto e = s.stream.Drain()) {
    if (s.platform.Interrupted()) return kChannelsExitInterrupted;
    s.error = kName + e.message + "\n";
    return kChannelsExitStream;
  }
  return kChannelsExitOk;
}

std::string Json_(const Session& s, const DeviceListing& device, PlayPath path, bool standardMap,
                  int status) {
  const char* pathText = path == PlayPath::kServer ? "server" : "device";
  Json steps = Json::array();
  for (const Step& step : s.steps) {
    const sound::ChannelName name = sound::NameOf(step.position);
    steps.push_back({{"channel", step.channel + 1},
                     {"position", name.abbrev},
                     {"chinese", name.chinese},
                     {"english", name.english},
                     {"start", step.start},
                     {"end", step.end},
                     {"path", pathText}});
  }
  Json doc = {{"device", device.location.hw.empty() ? LocationText(device) : device.location.hw},
              {"name", device.name},
              {"path", pathText},
              {"channels", s.config.channels},
              {"rate", s.config.rate},
              {"period_frames", s.config.periodFrames},
              {"buffer_frames", s.config.bufferFrames},
              {"channel_map", standardMap ? "standard" : "device"},
              {"signal", s.options.signal.kind == sound::SignalKind::kSine ? "sine" : "pink"},
              {"level_dbfs", s.options.signal.levelDbfs},
              {"steps", steps},
              {"completed", status == kChannelsExitOk}};
  return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

int Play(const ChannelsOptions& options, ChannelsPlatform& platform, std::string& out,
         std::string& err) {
  ReportPlatform& devices = platform.devices();
  if (const auto why = devices.Unusable()) {
    err += kName + EscapeControls(*why) + "\n";
    return kChannelsExitSystem;
  }
  devices.SetDirection(Direction::kPlayback);
  ReportOptions find;
  if (options.device) find = {.mode = ReportOptions::Mode::Device, .device = *options.device};
  DeviceReports reports;
  std::string notFound;
  if (!CollectDevices(find, devices, reports, notFound)) {
    // The device list's words, said by this program.
    const std::string other = "tivrel-report: ";
    if (notFound.rfind(other, 0) == 0) notFound.replace(0, other.size(), kName);
    err += notFound;
    return kChannelsExitUsage;
  }
  if (reports.devices.empty()) {
    err += std::string(kName) + "there is no output device\n";
    return kChannelsExitNoDevice;
  }
  const DeviceListing& device = reports.devices.front().listing;
  sound::StreamConfig config{.channels = options.channels};
  PlayPath path = PlayPath::kDevice;
  std::string note;
  sound::StreamError error;
  const auto stream = platform.Open(device, config, path, note, error);
  if (!stream) {
    err += kName + error.message + "\n";
    return kChannelsExitStream;
  }
  std::string why;
  if (!note.empty()) platform.Say(false, kName + note + "\n", why);
  Session s{options, platform, *stream, config, {}, {}, 0, {}};
  const auto map = stream->ChannelMap();
  const bool standardMap = !map || map->size() != config.channels;
  s.map = standardMap ? sound::StandardOrder(config.channels) : *map;
  if (standardMap) {
    platform.Say(false,
                 std::string(kName) + LocationText(device) + " states no channel map: " +
                     "the standard order for " + std::to_string(config.channels) + " channels\n",
                 why);
  }
  int status = kChannelsExitOk;
  if (options.channel > config.channels) {
    s.error = std::string(kName) + "channel " + std::to_string(options.channel) +
              " is not among the device's " + std::to_string(config.channels) + "\n";
    status = kChannelsExitUsage;
  } else {
    status = PlayAll(s);
  }
  stream->Close();
  err += s.error;
  if (options.json) out += Json_(s, device, path, standardMap, status);
  return status;
}

}  // namespace

int RunChannelsTool(const std::vector<std::string>& args, ChannelsPlatform& platform,
                    std::string& out, std::string& err) {
  std::string error;
  const auto options = ParseChannelsOptions(args, error);
  if (!options) {
    err += kName + error + "\n" + kChannelsTryHelp;
    return kChannelsExitUsage;
  }
  if (options->mode == ChannelsOptions::Mode::kHelp) {
    out += ChannelsHelpText();
    return kChannelsExitOk;
  }
  if (options->mode == ChannelsOptions::Mode::kVersion) {
    out += ChannelsVersionText();
    return kChannelsExitOk;
  }
  return Play(*options, platform, out, err);
}

}  // namespace tivrel
