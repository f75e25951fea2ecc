#include "cli/text_output.h"

#include <cstdio>

#include "framework/text.h"
#include "probe/report_text.h"

namespace tivrel {

std::string EscapeControls(std::string_view s) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  auto escape = [&](unsigned char b) {
    out += "\\x";
    out += kHex[b >> 4];
    out += kHex[b & 0xF];
  };
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b == '\\') {
      out += "\\\\";
      ++i;
      continue;
    }
    if (b < 0x20 || b == 0x7F) {
      escape(b);
      ++i;
      continue;
    }
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    // One UTF-8 sequence, kept whole when it is well formed and no C1 control.
    const size_t len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 0;
    const std::string_view seq = s.substr(i, len);
    // Ill-formed bytes decode to U+FFFD, which does not encode back to them.
    const bool wellFormed = len != 0 && seq.size() == len && Utf16ToUtf8(Utf8ToUtf16(seq)) == seq;
    const bool c1 =
        wellFormed && len == 2 && b == 0xC2 && static_cast<unsigned char>(seq[1]) < 0xA0;
    if (wellFormed && !c1) {
      out += seq;
      i += len;
    } else {
      escape(b);
      ++i;
    }
  }
  return out;
}

std::string LocationText(const DeviceListing& listing) {
  const DeviceLocation& location = listing.location;
  if (!location.hw.empty()) {
    return location.cardId.empty() ? location.hw : location.hw + " " + location.cardId;
  }
  if (location.waveDevice >= 0) {
    return (listing.direction == Direction::kCapture ? "waveIn " : "waveOut ") +
           std::to_string(location.waveDevice);
  }
  return "-";
}

namespace {

std::string RateRuns(uint16_t bits) {
  std::string text;
  for (size_t r = 0; r < kMatrixRates.size();) {
    if ((bits & (1u << r)) == 0) {
      ++r;
      continue;
    }
    size_t end = r;
    while (end + 1 < kMatrixRates.size() && (bits & (1u << (end + 1))) != 0) ++end;
    if (!text.empty()) text += ", ";
    text += std::to_string(kMatrixRates[r]);
    if (end > r) text += "-" + std::to_string(kMatrixRates[end]);
    r = end + 1;
  }
  return text;
}

}  // namespace

std::vector<std::u16string> MatrixLines(const FormatMatrix& matrix, MatrixSource source) {
  std::vector<std::u16string> lines;
  auto add = [&](const std::string& utf8) { lines.push_back(Utf8ToUtf16(utf8) + u"\r\n"); };
  const char* whose = source == MatrixSource::kMixer       ? "系统混音器接受的格式"
                      : source == MatrixSource::kExclusive ? "端点独占模式接受的格式"
                                                           : "原生格式";
  add(std::string(whose) + "（采样格式 声道数：采样率 Hz）：");
  for (size_t f = 0; f < kSampleFormats.size(); ++f) {
    for (int c = 1; c <= matrix.channels;) {
      const uint16_t bits = matrix.Rates(f, c);
      int last = c;
      while (last < matrix.channels && matrix.Rates(f, last + 1) == bits) ++last;
      if (bits != 0) {
        std::string counts = std::to_string(c);
        if (last > c) counts += "-" + std::to_string(last);
        add(std::string(kSampleFormats[f].name) + " " + counts + "：" + RateRuns(bits));
      }
      c = last + 1;
    }
  }
  if (lines.size() == 1) add("（无）");
  return lines;
}

std::vector<std::u16string> EndpointLines(const Endpoint& endpoint) {
  std::u16string mix = u"（无法读取）";
  if (const auto& f = endpoint.mixFormat) {
    mix = Utf8ToUtf16(f->format) + u" " + Utf8ToUtf16(std::to_string(f->channels)) + u" 声道 " +
          Utf8ToUtf16(std::to_string(f->rate)) + u" Hz";
  }
  return {u"端点名称：" + Utf8ToUtf16(endpoint.name) + u"\r\n",
          std::u16string(u"默认端点：") + (endpoint.isDefault ? u"是" : u"否") + u"\r\n",
          u"共享模式混音格式：" + mix + u"\r\n"};
}

std::u16string EndpointFailureReason(uint32_t result) {
  // Core Audio's codes (AUDCLNT_E_*) that a user can act on.
  switch (result) {
    case 0x88890004u:
      return u"设备已不存在，可能已被拔出或关闭";
    case 0x8889000Au:
      return u"设备正被其他程序独占使用";
    case 0x8889000Eu:
      return u"系统设置不允许独占模式";
    case 0x88890010u:
      return u"音频服务未运行";
    default:
      return FailureReason(result, {});
  }
}

std::string TerminalText(const std::vector<std::u16string>& lines) {
  std::string text;
  for (const auto& line : lines) {
    const bool crlf = line.size() >= 2 && line.compare(line.size() - 2, 2, u"\r\n") == 0;
    text += EscapeControls(Utf16ToUtf8(crlf ? line.substr(0, line.size() - 2) : line));
    if (crlf) text += "\r\n";
  }
  return text;
}

std::string FailureMessage(const ProbeResult& probe, uint32_t device) {
  // The window's words, then which device and what the system said.
  std::string message =
      probe.note.device.empty() ? "device " + std::to_string(device) : probe.note.device;
  message += ": " + Utf16ToUtf8(FailureText(probe));
  if (!probe.note.systemText.empty()) message += " (" + probe.note.systemText + ")";
  return "tivrel-report: " + EscapeControls(message) + "\n";
}

std::string OutputFailedMessage(const std::string& systemText) {
  return "tivrel-report: the report could not be written: " + EscapeControls(systemText) + "\n";
}

namespace {

// The matrix's failure as the query's would be told.
ProbeResult MatrixFailure(const DeviceReport& d) {
  ProbeResult failure;
  failure.queryResult = d.matrixResult;
  const std::string& name =
      d.probe.note.device.empty() ? d.listing.location.hw : d.probe.note.device;
  failure.note.device =
      "the format matrix of " + (name.empty() ? "device " + std::to_string(d.number) : name);
  failure.note.systemText = d.matrixSystemText;
  return failure;
}

// A device in use, described from the system's files instead.
std::string InUseMessage(const ProbeResult& probe) {
  if (DeviceInUse(probe) != InUse::kDescribed) return {};
  const QueryNote& note = probe.note;
  std::string message = "tivrel-report: " + EscapeControls(note.device) + ": in use";
  if (!note.holder.empty()) message += " by " + EscapeControls(note.holder);
  message += ", described from";
  for (size_t i = 0; i < note.sources.size(); ++i) {
    message += (i > 0 ? " and " : " ") + EscapeControls(note.sources[i]);
  }
  return message + ", not measured\n";
}

// The endpoint's exclusive-mode matrix that could not be probed.
std::string ExclusiveFailureMessage(const DeviceReport& d) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(d.endpoint->exclusiveResult));
  return "tivrel-report: the exclusive-mode matrix of " + EscapeControls(LocationText(d.listing)) +
         ": " + Utf16ToUtf8(EndpointFailureReason(d.endpoint->exclusiveResult)) + " (" + code +
         ")\n";
}

}  // namespace

std::string DeviceMessages(const DeviceReport& d) {
  if (d.probe.queryResult != 0) return FailureMessage(d.probe, d.number);
  std::string messages =
      d.matrixResult != 0 ? FailureMessage(MatrixFailure(d)) : InUseMessage(d.probe);
  if (d.endpoint && d.endpoint->exclusiveResult != 0) messages += ExclusiveFailureMessage(d);
  return messages;
}

namespace {

std::string Device0Text(const Device0Reason& reason, Direction direction) {
  if (reason.rule == "sound-server") {
    return std::string("the sound server's default ") +
           (direction == Direction::kCapture ? "source " : "sink ") + reason.detail;
  }
  if (reason.rule == "alsa-default") return "ALSA's default (" + reason.detail + ")";
  if (reason.rule == "first-not-hdmi") return "the first card whose first device is not HDMI";
  return "the first card";
}

}  // namespace

std::string ListText(const DeviceReports& reports) {
  std::string out;
  for (const auto& d : reports.devices) {
    out += std::to_string(d.number) + "  " + EscapeControls(LocationText(d.listing)) + "  " +
           EscapeControls(d.listing.name);
    if (d.number == 0 && reports.device0) {
      out += "  [device 0: " + EscapeControls(Device0Text(*reports.device0, d.listing.direction)) +
             "]";
    }
    out += "\r\n";
  }
  return out;
}

void WriteDeviceText(const DeviceReport& d, std::string& out, std::string& err) {
  err += DeviceMessages(d);
  if (d.probe.queryResult != 0) return;
  out += TerminalText(ReportLines(d.probe, d.listing.direction));
  if (d.matrix) {
    out += TerminalText(
        MatrixLines(*d.matrix, d.mixerMatrix ? MatrixSource::kMixer : MatrixSource::kDevice));
  }
  if (d.endpoint) {
    out += TerminalText(EndpointLines(*d.endpoint));
    if (d.endpoint->exclusive) {
      out += TerminalText(MatrixLines(*d.endpoint->exclusive, MatrixSource::kExclusive));
    }
  }
}

void WriteAllText(const std::vector<DeviceReport>& devices, std::string& out, std::string& err) {
  for (size_t i = 0; i < devices.size(); ++i) {
    const auto& d = devices[i];
    if (i > 0) out += "\r\n";
    out += "设备 " + std::to_string(d.number) + "（" + EscapeControls(LocationText(d.listing)) +
           "）：\r\n";
    if (d.probe.queryResult != 0) out += TerminalText({FailureText(d.probe) + u"\r\n"});
    WriteDeviceText(d, out, err);
  }
}

}  // namespace tivrel
