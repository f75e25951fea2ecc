#include "cli/json_output.h"

#include <nlohmann/json.hpp>

#include "app/version.h"
#include "cli/text_output.h"
#include "framework/text.h"
#include "probe/report_text.h"

namespace tivrel {

namespace {

using Json = nlohmann::ordered_json;

Json Location(const DeviceLocation& l) {
  Json j = Json::object();
  if (l.card >= 0) {
    j["card"] = l.card;
    j["device"] = l.device;
    j["hw"] = l.hw;
    j["card_id"] = l.cardId;
    j["driver"] = l.driver;
  }
  if (l.waveDevice >= 0) j["wave_device"] = l.waveDevice;
  return j;
}

Json Texts(const std::vector<std::u16string>& texts) {
  Json list = Json::array();
  for (const auto& t : texts) list.push_back(Utf16ToUtf8(t));
  return list;
}

Json Capabilities(const WAVEOUTCAPS& caps) {
  const DriverVersion version = DecodeDriverVersion(caps.vDriverVersion);
  // Numbers as the platform means them (unsigned); the report's texts read
  // the same fields as signed.
  return {
      {"product_name", Utf16ToUtf8(ProductName(caps))},
      {"manufacturer_id", static_cast<uint16_t>(caps.wMid)},
      {"product_id", static_cast<uint16_t>(caps.wPid)},
      {"driver_version",
       {{"value", static_cast<uint32_t>(caps.vDriverVersion)},
        {"text", Utf16ToUtf8(version.major + u"." + DecimalText(version.minor))}}},
      {"max_channels", static_cast<uint16_t>(caps.wChannels)},
      {"formats",
       {{"flags", static_cast<uint32_t>(caps.dwFormats) & 0x0FFFu},
        {"texts", Texts(FormatList(caps.dwFormats))}}},
      {"support",
       {{"flags", static_cast<uint32_t>(caps.dwSupport) & 0x1Fu},
        {"texts", Texts(SupportList(caps.dwSupport))}}},
  };
}

Json Matrix(const FormatMatrix& m) {
  Json formats = Json::array();
  for (size_t f = 0; f < kSampleFormats.size(); ++f) {
    const auto& info = kSampleFormats[f];
    Json channels = Json::array();
    for (int c = 1; c <= m.channels; ++c) {
      Json rates = Json::array();
      for (size_t r = 0; r < kMatrixRates.size(); ++r) {
        if (m.Rates(f, c) & (1u << r)) rates.push_back(kMatrixRates[r]);
      }
      channels.push_back({{"channels", c}, {"rates", std::move(rates)}});
    }
    formats.push_back({{"format", info.name},
                       {"container_bits", info.containerBits},
                       {"valid_bits", info.validBits},
                       {"float", info.isFloat},
                       {"channels", std::move(channels)}});
  }
  return {{"rates_tried", kMatrixRates},
          {"channels_tried", m.channels},
          {"sources", m.sources},
          {"formats", std::move(formats)}};
}

Json Error(uint32_t result, const QueryNote& note) {
  return {{"result", result},
          {"reason", Utf16ToUtf8(FailureReason(result, note))},
          {"system_text", note.systemText}};
}

Json EndpointJson(const Endpoint& e) {
  Json mix;
  if (const auto& f = e.mixFormat) {
    mix = {{"format", f->format}, {"channels", f->channels},    {"rate", f->rate},
           {"bits", f->bits},     {"valid_bits", f->validBits}, {"channel_mask", f->channelMask}};
  }
  Json j = {{"id", e.id},
            {"name", e.name},
            {"default", e.isDefault},
            {"mix_format", std::move(mix)},
            {"exclusive", e.exclusive ? Matrix(*e.exclusive) : Json()}};
  if (e.exclusiveResult != 0) {
    j["exclusive_error"] = {{"result", e.exclusiveResult},
                            {"reason", Utf16ToUtf8(EndpointFailureReason(e.exclusiveResult))},
                            {"system_text", ""}};
  }
  return j;
}

}  // namespace

std::string ReportJson(const DeviceReports& reports) {
  const std::vector<DeviceReport>& devices = reports.devices;
  Json list = Json::array();
  for (const auto& d : devices) {
    Json j = {{"number", d.number},
              {"name", d.listing.name},
              {"direction", d.listing.direction == Direction::kCapture ? "capture" : "playback"},
              {"location", Location(d.listing.location)}};
    if (d.queried) {
      const ProbeResult& p = d.probe;
      // In use when asked: refused as such, or described from files instead.
      Json busy = {{"busy", DeviceInUse(p) != InUse::kNo}};
      if (!p.note.holder.empty()) busy["holder"] = p.note.holder;
      if (!p.note.sources.empty()) busy["sources"] = p.note.sources;
      if (p.note.playing) {
        busy["playing"] = {{"format", p.note.playing->format},
                           {"channels", p.note.playing->channels},
                           {"rate", p.note.playing->rate}};
      }
      j["busy"] = std::move(busy);
      j["error"] = p.queryResult != 0 ? Error(p.queryResult, p.note) : Json();
      j["capabilities"] = p.queryResult == 0 ? Capabilities(p.caps) : Json();
      if (d.matrix) {
        j["matrix"] = Matrix(*d.matrix);
      } else if (d.matrixResult != 0) {
        j["matrix"] = nullptr;
        j["matrix_error"] = Error(d.matrixResult, {});
      }
      j["endpoint"] = d.endpoint ? EndpointJson(*d.endpoint) : Json();
    }
    list.push_back(std::move(j));
  }
  Json document = {
      {"schema", kReportJsonSchema},
      {"tool", {{"name", "tivrel-report"}, {"version", TIVREL_VERSION_DOTTED}}},
  };
  if (reports.device0) {
    document["device0"] = {{"rule", reports.device0->rule}, {"detail", reports.device0->detail}};
  }
  document["devices"] = std::move(list);
  // Names come from drivers: bytes that are not UTF-8 must not stop the report.
  return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace tivrel
