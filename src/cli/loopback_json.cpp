#include <nlohmann/json.hpp>

#include "analysis/windowed_power.h"
#include "app/version.h"
#include "cli/loopback_report.h"

namespace tivrel {
namespace {

using Json = nlohmann::ordered_json;

Json Optional(const std::optional<double>& value) { return value ? Json(*value) : Json(nullptr); }

Json ChecksJson(const analysis::SetupChecks& c) {
  const auto side = [](bool inverted) { return inverted ? "inverted" : "normal"; };
  return {
      {"loopback", c.loopback},
      {"latency_in_range", c.latency_in_range},
      {"polarity", {{"left", side(c.inverted[0])}, {"right", side(c.inverted[1])}}},
      {"swapped", c.swapped},
      {"clipping",
       {{"state", c.clipped        ? "clipped"
                  : c.low_headroom ? "low_headroom"
                                   : "none"},
        {"headroom_db", c.headroom_db}}},
      {"fatal", c.Fatal()},
  };
}

Json Channel(const analysis::ChannelFigures& f) {
  const auto percent = [](double db) { return analysis::Percent(std::pow(10.0, db / 10)); };
  return {{"noise_dba", f.noise_dba}, {"dynamic_range_dba", f.dynamic_range_dba},
          {"thd_db", f.thd_db},       {"thd_percent", percent(f.thd_db)},
          {"thd_n_db", f.thd_n_db},   {"thd_n_percent", percent(f.thd_n_db)},
          {"imd_smpte_db", f.imd_db}, {"imd_smpte_percent", percent(f.imd_db)}};
}

void Figures(const analysis::Measurement& m, Json& j) {
  Json points = Json::array();
  for (const auto& p : m.points)
    points.push_back({{"hz", p.hz}, {"left_db", p.db[0]}, {"right_db", p.db[1]}});
  j["latency"] = {{"samples", m.latency_frames}, {"ms", m.latency_ms}};
  j["frequency_response"] = {
      {"points", points},
      {"deviation_db", {{"min", m.deviation_min_db}, {"max", m.deviation_max_db}}},
      {"minus_3db_hz", {{"low", Optional(m.low_3db_hz)}, {"high", Optional(m.high_3db_hz)}}}};
  const Json worst = Channel(m.Worst());
  for (const auto& [key, value] : worst.items()) j[key] = value;
  j["crosstalk_db"] = {{"left_to_right", m.crosstalk_left_to_right_db},
                       {"right_to_left", m.crosstalk_right_to_left_db}};
  j["channels"] = {{"left", Channel(m.channels[0])}, {"right", Channel(m.channels[1])}};
}

}  // namespace

std::string LoopbackJson(const LoopbackRun& run) {
  Json j = {
      {"schema", 1},
      {"program", "tivrel-loopback"},
      {"version", TIVREL_VERSION_DOTTED},
      {"output", run.devices.output_name},
      {"input", run.devices.input_name},
      {"rate", run.rate},
      {"format", run.devices.format},
      {"level_dbfs", run.level_dbfs},
      {"checks", ChecksJson(run.m.checks)},
      {"measured", run.m.measured},
  };
  if (run.m.measured) Figures(run.m, j);
  return j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace tivrel
