#include "cli/loopback_report.h"

#include <cmath>
#include <cstdio>

#include "analysis/windowed_power.h"
#include "cli/text_output.h"

namespace tivrel {
namespace {

using analysis::ChannelFigures;

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string Percent(double db) {
  return Fixed(analysis::Percent(std::pow(10.0, db / 10)), 5) + " %";
}

// Columns on a terminal: a Chinese character takes two (and three bytes).
int Columns(const std::string& text) {
  int width = 0;
  for (unsigned char c : text) width += (c & 0xC0) != 0x80 ? ((c >= 0xE0) ? 2 : 1) : 0;
  return width;
}

// "  label                         left        right"
std::string Row(const std::string& label, int label_width, const std::string& left,
                const std::string& right = "") {
  std::string line = "  " + label;
  line.append(static_cast<std::size_t>(std::max(1, label_width - Columns(label))), ' ');
  line += left;
  if (!right.empty())
    line.append(static_cast<std::size_t>(std::max(1, 22 - Columns(left))), ' ') += right;
  return line + "\n";
}

std::string Figures(const analysis::Measurement& m) {
  constexpr int w = 34;
  const ChannelFigures &l = m.channels[0], &r = m.channels[1];
  std::string t = Row("测量 Figure", w, "左 Left", "右 Right");
  t += Row("往返延迟 Latency", w,
           Fixed(m.latency_frames, 2) + " frames (" + Fixed(m.latency_ms, 3) + " ms)");
  t += Row("频率响应 Response 20 Hz-20 kHz", w,
           Fixed(m.deviation_min_db, 2) + " / +" + Fixed(m.deviation_max_db, 2) + " dB");
  t += Row("-3 dB 点 points", w,
           (m.low_3db_hz ? Fixed(*m.low_3db_hz, 1) + " Hz" : "-") + ", " +
               (m.high_3db_hz ? Fixed(*m.high_3db_hz / 1000, 2) + " kHz" : "-"));
  t += Row("噪声 Noise", w, Fixed(l.noise_dba, 1) + " dBFS(A)", Fixed(r.noise_dba, 1) + " dBFS(A)");
  t += Row("动态范围 Dynamic range", w, Fixed(l.dynamic_range_dba, 1) + " dB(A)",
           Fixed(r.dynamic_range_dba, 1) + " dB(A)");
  t += Row("总谐波失真 THD 997 Hz", w, Fixed(l.thd_db, 1) + " dB", Fixed(r.thd_db, 1) + " dB");
  t += Row("", w, Percent(l.thd_db), Percent(r.thd_db));
  t += Row("THD+N 997 Hz", w, Fixed(l.thd_n_db, 1) + " dB", Fixed(r.thd_n_db, 1) + " dB");
  t += Row("", w, Percent(l.thd_n_db), Percent(r.thd_n_db));
  t += Row("互调失真 IMD SMPTE", w, Fixed(l.imd_db, 1) + " dB", Fixed(r.imd_db, 1) + " dB");
  t += Row("串扰 Crosstalk", w, "L->R " + Fixed(m.crosstalk_left_to_right_db, 1) + " dB",
           "R->L " + Fixed(m.crosstalk_right_to_left_db, 1) + " dB");
  return t;
}

std::string Checks(const analysis::SetupChecks& c) {
  constexpr int w = 34;
  const auto ok = [](bool good, const std::string& bad) {
    return good ? std::string("正常 ok") : bad;
  };
  std::string polarity = "正常 ok";
  if (c.inverted[0] || c.inverted[1])
    polarity = std::string("反相 inverted: ") + (c.inverted[0] && c.inverted[1] ? "L, R"
                                                 : c.inverted[0]                ? "L"
                                                                                : "R");
  std::string level = "正常 ok, headroom " + Fixed(c.headroom_db, 1) + " dB";
  if (c.clipped)
    level = "削波 clipped";
  else if (c.low_headroom)
    level = "余量不足 headroom " + Fixed(c.headroom_db, 1) + " dB";
  std::string t = Row("检查 Check", w, "结果 Result");
  t += Row("回环 Loopback", w, ok(c.loopback, "无信号 nothing came back"));
  if (c.loopback) t += Row("延迟 Round trip", w, ok(c.latency_in_range, "过长 too long"));
  t += Row("极性 Polarity", w, polarity);
  t += Row("声道 Channels", w, ok(!c.swapped, "左右互换 swapped"));
  t += Row("电平 Level", w, level);
  return t;
}

}  // namespace

std::vector<std::string> CheckAdvice(const analysis::SetupChecks& c) {
  std::vector<std::string> advice;
  if (!c.loopback)
    advice.push_back(
        "nothing of the signal came back: connect the output to the input with a cable, "
        "unmute both and raise the capture volume");
  else if (!c.latency_in_range)
    advice.push_back("the round trip takes longer than 0.4 s: use the hardware devices directly");
  if (c.clipped)
    advice.push_back("the input clipped: lower the capture volume or --level and measure again");
  else if (c.low_headroom)
    advice.push_back("less than 6 dB of headroom at the input (" + Fixed(c.headroom_db, 1) +
                     " dB): lower the capture volume or --level");
  if (c.swapped)
    advice.push_back("left and right are swapped: the figures are measured with them crossed back");
  for (int ch = 0; ch < 2; ++ch)
    if (c.inverted[static_cast<std::size_t>(ch)])
      advice.push_back(std::string(ch == 0 ? "left" : "right") +
                       " polarity is inverted: a cable or an input that turns the signal over");
  return advice;
}

std::string LoopbackTable(const LoopbackRun& run) {
  std::string t = "岚铃声卡测试仪 回环测试 Tivrel loopback\n";
  t += "  输出 Output: " + EscapeControls(run.devices.output_name) + "\n";
  t += "  输入 Input:  " + EscapeControls(run.devices.input_name) + "\n";
  t += "  " + std::to_string(run.rate) + " Hz, " + run.devices.format + ", " +
       Fixed(run.level_dbfs, 1) + " dBFS\n\n";
  t += Checks(run.m.checks);
  if (run.m.measured) t += "\n" + Figures(run.m);
  return t;
}

}  // namespace tivrel
