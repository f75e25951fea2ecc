#include "platform/linux/alsa/alsa_duplex.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <memory>

#include "cli/loopback_options.h"
#include "platform/linux/alsa/alsa_owned.h"
#include "platform/linux/alsa/device_list.h"
#include "platform/linux/alsa/kernel_files.h"
#include "platform/linux/alsa/pcm_samples.h"

namespace tivrel::alsa {
namespace {

using Status = DuplexOutcome::Status;

constexpr int kStallMs = 2000;

struct Failure {
  Status status;
  std::string message;
};

struct Endpoint {
  std::string pcm;   // what snd_pcm_open is given
  std::string name;  // how the report names it
  std::optional<CardDevice> listed;
  Direction stream;
  const char* Kind() const { return stream == Direction::kCapture ? "input" : "output"; }
};

// The user's name for a device, in tivrel-report's forms, or any PCM name.
Endpoint Resolve(const std::string& named, Direction stream, const AlsaOptions& options) {
  Endpoint e{named, named, std::nullopt, stream};
  const DeviceList list = ListCardDevices({options.root, stream});
  const bool number = !named.empty() && named.find_first_not_of("0123456789") == std::string::npos;
  if (named.empty() || number) {
    std::uint64_t n = 0;  // as tivrel-report reads it; too large for the type is no device
    if (number && std::from_chars(named.data(), named.data() + named.size(), n).ec != std::errc{})
      n = UINT64_MAX;
    if (n >= list.devices.size())
      throw Failure{Status::NoSuchDevice,
                    "no " + std::string(e.Kind()) + " device " +
                        (named.empty() ? std::string("was found") : "'" + named + "'") +
                        " (see tivrel-report" + (stream == Direction::kCapture ? " -c" : "") +
                        " --list)"};
    e.listed = list.devices[n];
  }
  for (const auto& d : list.devices) {
    if (number || named.empty()) break;
    if (d.HwName() == named) {
      e.listed = d;
      break;
    }
    if (d.cardId == named && (!e.listed || d.device < e.listed->device)) e.listed = d;
  }
  if (e.listed) e.pcm = e.listed->HwName(), e.name = e.pcm + " (" + e.listed->name + ")";
  return e;
}

std::string Said(const Endpoint& e, const std::string& what, int err, const AlsaOptions& options) {
  std::string text = "cannot " + what + " " + e.Kind() + " " + e.name + ": " + snd_strerror(err) +
                     " (" + std::to_string(err) + ")";
  if ((err == -EBUSY || err == -EAGAIN) && e.listed) {
    const std::string holder =
        ReadHolder({options.root, e.listed->card, e.listed->device, e.stream});
    if (!holder.empty()) text += ", held by " + holder;
  }
  return text;
}

Pcm Open(const Endpoint& e, const AlsaOptions& options) {
  snd_pcm_t* raw = nullptr;
  const auto direction =
      e.stream == Direction::kCapture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK;
  // Not waiting for a device that someone holds; then blocking I/O.
  int err = snd_pcm_open(&raw, e.pcm.c_str(), direction, SND_PCM_NONBLOCK);
  if (err == -ENOENT && !e.listed)
    throw Failure{Status::NoSuchDevice, Said(e, "open", err, options)};
  if (err < 0) throw Failure{Status::Failed, Said(e, "open", err, options)};
  Pcm pcm(raw);
  if ((err = snd_pcm_nonblock(raw, 0)) < 0)
    throw Failure{Status::Failed, Said(e, "open", err, options)};
  return pcm;
}

// The device's parameter space narrowed to stereo at the rate, or none
// where it does not take the rate.
HwParams Space(snd_pcm_t* pcm, int rate) {
  snd_pcm_hw_params_t* raw = nullptr;
  if (snd_pcm_hw_params_malloc(&raw) < 0) throw std::bad_alloc();
  HwParams p(raw);
  if (snd_pcm_hw_params_any(pcm, raw) < 0 ||
      snd_pcm_hw_params_set_access(pcm, raw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0 ||
      snd_pcm_hw_params_set_channels(pcm, raw, 2) < 0 ||
      snd_pcm_hw_params_set_rate(pcm, raw, static_cast<unsigned>(rate), 0) < 0)
    return nullptr;
  return p;
}

void Configure(snd_pcm_t* pcm, const Endpoint& e, int rate, snd_pcm_format_t format,
               const AlsaOptions& options) {
  const HwParams p = Space(pcm, rate);
  if (!p)
    throw Failure{Status::Failed, Said(e, "set 2 channels at " + std::to_string(rate) + " Hz on",
                                       -EINVAL, options)};
  snd_pcm_uframes_t buffer = static_cast<snd_pcm_uframes_t>(rate) / 5, period = buffer / 4;
  int err = snd_pcm_hw_params_set_format(pcm, p.get(), format);
  if (err == 0) err = snd_pcm_hw_params_set_period_size_near(pcm, p.get(), &period, nullptr);
  if (err == 0) err = snd_pcm_hw_params_set_buffer_size_near(pcm, p.get(), &buffer);
  if (err == 0) err = snd_pcm_hw_params(pcm, p.get());
  // Started by us alone, both at once: never by the first write.
  snd_pcm_sw_params_t* sw = nullptr;
  snd_pcm_sw_params_alloca(&sw);
  snd_pcm_uframes_t boundary = 0;
  if (err == 0) err = snd_pcm_sw_params_current(pcm, sw);
  if (err == 0) err = snd_pcm_sw_params_get_boundary(sw, &boundary);
  if (err == 0) err = snd_pcm_sw_params_set_start_threshold(pcm, sw, boundary);
  if (err == 0) err = snd_pcm_sw_params(pcm, sw);
  if (err < 0)
    throw Failure{Status::Failed, Said(e,
                                       "set 2 channels, " + std::to_string(rate) + " Hz, " +
                                           snd_pcm_format_name(format) + " on",
                                       err, options)};
}

bool Takes(snd_pcm_t* pcm, int rate, snd_pcm_format_t format) {
  const HwParams p = Space(pcm, rate);
  return p && snd_pcm_hw_params_test_format(pcm, p.get(), format) == 0;
}

// The first rate of the request that both take, in the deepest format.
std::pair<int, snd_pcm_format_t> Choose(snd_pcm_t* out, snd_pcm_t* in, const DuplexRequest& r) {
  for (int rate : r.rates) {
    for (const auto& name : LoopbackFormats()) {
      if (!r.format.empty() && name != r.format) continue;
      const snd_pcm_format_t f = snd_pcm_format_value(name.c_str());
      if (Takes(out, rate, f) && Takes(in, rate, f)) return {rate, f};
    }
  }
  std::string rates;
  for (int rate : r.rates) rates += (rates.empty() ? "" : ", ") + std::to_string(rate);
  throw Failure{Status::Failed, "the output and the input take no common format" +
                                    (r.format.empty() ? std::string() : " " + r.format) + " at " +
                                    rates + " Hz in stereo"};
}

}  // namespace

DuplexOutcome PlayAndCaptureOn(const DuplexRequest& r, std::vector<float>& capture,
                               const AlsaOptions& options);

DuplexOutcome AlsaDuplex::PlayAndCapture(const DuplexRequest& r, std::vector<float>& capture) {
  try {
    return PlayAndCaptureOn(r, capture, options_);
  } catch (const Failure& f) {
    DuplexOutcome o;
    o.status = f.status;
    o.error = f.message;
    return o;
  }
}

namespace {

// Plays and records the whole, the playback kept one buffer ahead.
void Stream(snd_pcm_t* out, snd_pcm_t* in, const Endpoint (&e)[2], snd_pcm_format_t format,
            const DuplexRequest& r, const std::vector<float>& play, std::vector<float>& capture,
            const AlsaOptions& options) {
  const std::size_t frames = play.size() / 2, bytes = 2 * SampleBytes(format);
  snd_pcm_uframes_t buffer = 0, period = 0;
  snd_pcm_get_params(out, &buffer, &period);
  std::vector<uint8_t> raw(bytes * std::max<std::size_t>(buffer, 4096));
  std::size_t played = 0, recorded = 0;
  const std::vector<float> silence(2 * std::max<std::size_t>(buffer, 4096), 0.0f);
  // After the signal, silence: the output never runs dry while the input
  // still records.
  const auto write = [&](std::size_t count) {
    const float* from = played < frames ? &play[2 * played] : silence.data();
    if (played < frames) count = std::min(count, frames - played);
    EncodeSamples(from, 2 * count, format, raw.data());
    const snd_pcm_sframes_t n = snd_pcm_writei(out, raw.data(), count);
    if (n < 0) throw Failure{Status::Failed, Said(e[0], "play on", static_cast<int>(n), options)};
    played += static_cast<std::size_t>(n);
  };
  write(buffer);  // the whole buffer first: nothing runs dry when both start
  const bool linked = snd_pcm_link(out, in) == 0;
  int err = snd_pcm_start(in);
  if (err < 0) throw Failure{Status::Failed, Said(e[1], "start", err, options)};
  if (!linked && (err = snd_pcm_start(out)) < 0)
    throw Failure{Status::Failed, Said(e[0], "start", err, options)};
  while (recorded < frames) {
    const std::size_t want = std::min<std::size_t>(period, frames - recorded);
    // A device whose clock stopped would keep a blocking read waiting for
    // ever: two seconds without a frame is a failure.
    if ((err = snd_pcm_wait(in, kStallMs)) == 0) err = -ETIMEDOUT;
    if (err < 0) throw Failure{Status::Failed, Said(e[1], "record from", err, options)};
    const snd_pcm_sframes_t n = snd_pcm_readi(in, raw.data(), want);
    if (n < 0)
      throw Failure{Status::Failed, Said(e[1], "record from", static_cast<int>(n), options)};
    DecodeSamples(raw.data(), 2 * static_cast<std::size_t>(n), format, &capture[2 * recorded]);
    recorded += static_cast<std::size_t>(n);
    if (r.keep_going && !r.keep_going(recorded)) break;
    write(static_cast<std::size_t>(n));
  }
  if (linked) snd_pcm_unlink(in);
  snd_pcm_drop(out);
  snd_pcm_drop(in);
}

}  // namespace

DuplexOutcome PlayAndCaptureOn(const DuplexRequest& r, std::vector<float>& capture,
                               const AlsaOptions& options) {
  const Endpoint e[2] = {Resolve(r.output, Direction::kPlayback, options),
                         Resolve(r.input, Direction::kCapture, options)};
  const Pcm out = Open(e[0], options);
  const Pcm in = Open(e[1], options);
  const auto [rate, format] = Choose(out.get(), in.get(), r);
  Configure(out.get(), e[0], rate, format, options);
  Configure(in.get(), e[1], rate, format, options);
  const std::vector<float> play = r.signal(rate);
  capture.assign(play.size(), 0.0f);
  Stream(out.get(), in.get(), e, format, r, play, capture, options);
  DuplexOutcome o;
  o.output_name = e[0].name;
  o.input_name = e[1].name;
  o.format = snd_pcm_format_name(format);
  o.rate = rate;
  return o;
}

}  // namespace tivrel::alsa
