#include "cli/loopback_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tivrel {
namespace {

constexpr double kWidth = 800, kPanel = 300, kLeft = 60, kRight = 780;
constexpr double kLowHz = 20, kHighHz = 20000;
constexpr const char* kColours[2] = {"#1f6fb4", "#d0452c"};

struct Panel {
  double top;  // y of the panel's top edge
  double min_db, max_db;
  double X(double hz) const {
    return kLeft + (kRight - kLeft) * std::log(hz / kLowHz) / std::log(kHighHz / kLowHz);
  }
  double Y(double db) const {
    const double clamped = std::clamp(db, min_db, max_db);
    return top + 20 + (kPanel - 60) * (max_db - clamped) / (max_db - min_db);
  }
};

std::string Num(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", v);
  return text;
}

std::string Axes(const Panel& p, const std::string& title, double step) {
  std::string s = "<text x='" + Num(kLeft) + "' y='" + Num(p.top + 14) + "'>" + title + "</text>\n";
  for (double hz : {20.0, 50.0, 100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0, 20000.0}) {
    s += "<line x1='" + Num(p.X(hz)) + "' y1='" + Num(p.Y(p.max_db)) + "' x2='" + Num(p.X(hz)) +
         "' y2='" + Num(p.Y(p.min_db)) + "' stroke='#ddd'/>\n";
    s += "<text x='" + Num(p.X(hz)) + "' y='" + Num(p.Y(p.min_db) + 14) +
         "' text-anchor='middle'>" +
         (hz >= 1000 ? Num(hz / 1000).substr(0, Num(hz / 1000).size() - 2) + "k"
                     : Num(hz).substr(0, Num(hz).size() - 2)) +
         "</text>\n";
  }
  for (double db = std::ceil(p.min_db / step) * step; db <= p.max_db + 1e-9; db += step) {
    s += "<line x1='" + Num(kLeft) + "' y1='" + Num(p.Y(db)) + "' x2='" + Num(kRight) + "' y2='" +
         Num(p.Y(db)) + "' stroke='#ddd'/>\n";
    s += "<text x='" + Num(kLeft - 6) + "' y='" + Num(p.Y(db) + 4) + "' text-anchor='end'>" +
         Num(db) + "</text>\n";
  }
  return s;
}

std::string Curves(const Panel& p, const std::vector<analysis::FrequencyPoint>& points) {
  std::string s;
  for (std::size_t c = 0; c < 2; ++c) {
    s += "<polyline fill='none' stroke='" + std::string(kColours[c]) + "' points='";
    for (const auto& point : points)
      if (point.hz >= kLowHz && point.hz <= kHighHz)
        s += Num(p.X(point.hz)) + "," + Num(p.Y(point.db[c])) + " ";
    s += "'/>\n";
  }
  return s;
}

}  // namespace

std::string LoopbackSvg(const analysis::Measurement& m) {
  const double low = std::floor(std::min(-3.0, m.deviation_min_db) - 1);
  const double high = std::ceil(std::max(1.0, m.deviation_max_db) + 1);
  const Panel response{0, low, high};
  const Panel spectrum{kPanel, -160, 0};
  std::string s =
      "<?xml version='1.0' encoding='UTF-8'?>\n<svg xmlns='http://www.w3.org/2000/svg' width='" +
      Num(kWidth) + "' height='" + Num(2 * kPanel) + "' font-family='sans-serif' font-size='11'>\n";
  s += "<rect width='100%' height='100%' fill='white'/>\n";
  s += Axes(response, "频率响应 Frequency response (dB re 997 Hz; left blue, right red)",
            high - low > 12 ? 3 : 1);
  s += Curves(response, m.points);
  s += Axes(spectrum, "997 Hz 频谱 Spectrum (dBFS)", 20);
  s += Curves(spectrum, m.spectrum);
  return s + "</svg>\n";
}

}  // namespace tivrel
