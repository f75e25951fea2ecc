#include "platform/win32/services/wasapi_duplex.h"

#include <algorithm>
#include <optional>

#include "cli/device_report.h"
#include "cli/loopback_options.h"
#include "cli/report_options.h"
#include "cli/report_tool.h"
#include "cli/text_output.h"
#include "platform/win32/services/duplex_client.h"
#include "platform/win32/services/utf8.h"

namespace tivrel::win32 {
namespace {

using Status = DuplexOutcome::Status;

constexpr DWORD kStallMs = 2000;

// -F's names as Core Audio's formats, deepest first as -F lists them.
std::vector<SampleKind> Kinds(const std::string& only) {
  static const SampleKind all[] = {{"FLOAT_LE", 32, 32, true},
                                   {"S32_LE", 32, 32, false},
                                   {"S24_LE", 32, 24, false},
                                   {"S24_3LE", 24, 24, false},
                                   {"S16_LE", 16, 16, false}};
  std::vector<SampleKind> kinds;
  for (const auto& name : LoopbackFormats())
    for (const auto& k : all)
      if (k.name == name && (only.empty() || only == name)) kinds.push_back(k);
  return kinds;
}

struct Named {
  std::wstring id;
  std::string name;  // "waveOut 0 (Speakers (HD Audio))"
};

// The user's name for a device, in tivrel-report's forms, and its endpoint.
Named Resolve(WinReportPlatform& devices, const std::string& named, Direction direction) {
  const bool input = direction == Direction::kCapture;
  ReportOptions find{.direction = direction};
  if (!named.empty()) find.mode = ReportOptions::Mode::Device, find.device = named;
  devices.SetDirection(direction);
  DeviceReports reports;
  std::string notFound;
  if (!CollectDevices(find, devices, reports, notFound)) {
    const std::string other = "tivrel-report: ";
    if (notFound.rfind(other, 0) == 0) notFound.erase(0, other.size());
    while (!notFound.empty() && notFound.back() == '\n') notFound.pop_back();
    throw DuplexFailure{Status::NoSuchDevice, notFound};
  }
  if (reports.devices.empty())
    throw DuplexFailure{Status::NoSuchDevice, std::string("no ") + (input ? "input" : "output") +
                                                  " device was found (see tivrel-report" +
                                                  (input ? " --capture" : "") + " --list)"};
  const DeviceListing& listing = reports.devices.front().listing;
  const auto endpoint =
      devices.DeviceEndpoint(static_cast<uint32_t>(listing.location.waveDevice), 0);
  const std::string where = LocationText(listing);
  if (!endpoint)
    throw DuplexFailure{Status::Failed, std::string("cannot open ") +
                                            (input ? "input " : "output ") + where + " (" +
                                            listing.name + "): it has no Core Audio endpoint"};
  return {Wide(endpoint->id), where + " (" + endpoint->name + ")"};
}

// The first rate of the request that both take, exclusive in the deepest
// format both take, else with either side shared where its mixer runs at
// that rate. Nothing when no rate serves.
std::optional<std::pair<uint32_t, SampleKind>> Choose(DuplexClient& out, DuplexClient& in,
                                                      const DuplexRequest& r, bool both) {
  for (int rate : r.rates) {
    const auto hz = static_cast<uint32_t>(rate);
    for (const auto& kind : Kinds(r.format)) {
      const bool o = out.TakesExclusive(hz, kind), i = in.TakesExclusive(hz, kind);
      if (o && i) return std::pair{hz, kind};
      if (!both && (o || out.MixRate() == hz) && (i || in.MixRate() == hz))
        return std::pair{hz, kind};
    }
  }
  return std::nullopt;
}

void Open(DuplexClient& c, uint32_t rate, const SampleKind& kind, DuplexOutcome& o) {
  const HRESULT refused =
      c.TakesExclusive(rate, kind) ? c.OpenExclusive(rate, kind) : AUDCLNT_E_UNSUPPORTED_FORMAT;
  if (SUCCEEDED(refused)) return;
  if (c.MixRate() != rate)
    throw DuplexFailure{Status::Failed, "cannot open " + c.name() + " in exclusive mode at " +
                                            std::to_string(rate) + " Hz (error " +
                                            HresultText(refused) + "), and its mixer runs at " +
                                            std::to_string(c.MixRate()) + " Hz"};
  c.OpenShared();
  o.warnings.push_back(
      c.name() + " refused exclusive mode (" + HresultText(refused) +
      "): measured through the system's mixer, whose processing is in the figures");
}

// Plays and records the whole, the output kept full ahead of the input.
void Stream(DuplexClient& out, DuplexClient& in, const DuplexRequest& r,
            const std::vector<float>& play, std::vector<float>& capture,
            const std::function<bool()>& stop) {
  const size_t frames = play.size() / 2;
  size_t played = out.Render(play.data(), frames), recorded = 0;
  in.Start();
  out.Start();
  DWORD heard = GetTickCount();
  bool lost = false;
  while (recorded < frames) {
    const size_t n = in.Capture(&capture[2 * recorded], frames - recorded, lost);
    // The first packet may say so of the time before the start.
    if (lost && recorded > 0)
      throw DuplexFailure{Status::Failed, "cannot record from input " + in.name() +
                                              ": frames were lost (the input ran over)"};
    lost = false;
    recorded += n;
    if (n > 0) heard = GetTickCount();
    if (r.keep_going && !r.keep_going(recorded)) break;
    played += out.Render(played < frames ? &play[2 * played] : nullptr,
                         played < frames ? frames - played : SIZE_MAX);
    if (stop && stop()) throw DuplexFailure{Status::Failed, "stopped before the end of the run"};
    if (n > 0) continue;
    // A device whose clock stopped would leave the run waiting for ever.
    if (GetTickCount() - heard > kStallMs)
      throw DuplexFailure{Status::Failed,
                          "cannot record from input " + in.name() + ": nothing came for 2 s"};
    Sleep(2);
  }
  in.Stop();
  out.Stop();
}

DuplexOutcome Run(WinReportPlatform& devices, const DuplexRequest& r, std::vector<float>& capture,
                  const std::function<bool()>& stop) {
  const Named o = Resolve(devices, r.output, Direction::kPlayback);
  const Named i = Resolve(devices, r.input, Direction::kCapture);
  AudioClients com;
  DuplexClient out(com, o.id, o.name, false), in(com, i.id, i.name, true);
  auto chosen = Choose(out, in, r, true);
  if (!chosen) chosen = Choose(out, in, r, false);
  if (!chosen) {
    std::string rates;
    for (int rate : r.rates) rates += (rates.empty() ? "" : ", ") + std::to_string(rate);
    throw DuplexFailure{Status::Failed, "the output and the input take no common format" +
                                            (r.format.empty() ? std::string() : " " + r.format) +
                                            " at " + rates + " Hz in stereo"};
  }
  DuplexOutcome outcome;
  Open(out, chosen->first, chosen->second, outcome);
  Open(in, chosen->first, chosen->second, outcome);
  const std::vector<float> play = r.signal(static_cast<int>(chosen->first));
  capture.assign(play.size(), 0.0f);
  Stream(out, in, r, play, capture, stop);
  outcome.output_name = o.name;
  outcome.input_name = i.name;
  outcome.format = in.shared() ? in.kind().name : out.kind().name;
  outcome.rate = static_cast<int>(chosen->first);
  return outcome;
}

}  // namespace

DuplexOutcome WasapiDuplex::PlayAndCapture(const DuplexRequest& r, std::vector<float>& capture) {
  try {
    return Run(devices_, r, capture, stop_);
  } catch (const DuplexFailure& f) {
    DuplexOutcome o;
    o.status = f.status;
    o.error = f.message;
    return o;
  }
}

}  // namespace tivrel::win32
