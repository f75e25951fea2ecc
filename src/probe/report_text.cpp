#include "probe/report_text.h"

#include <algorithm>

#include "framework/text.h"

namespace tivrel {

namespace {

// Reasons by result code; anything not listed is an unspecified error. A busy
// device (result 4) has its own words, with the holder when it is known.
struct Reason {
  uint32_t result;
  std::u16string_view text;
};
constexpr Reason kReasons[] = {
    {kMmSysErrBadDeviceId, u"设备已不存在，可能已被拔出或关闭"},
    {kMmSysErrNoDriver, u"没有可用的设备驱动程序"},
    {kMmSysErrNoMem, u"内存不足"},
};
constexpr std::u16string_view kUnspecifiedReason = u"发生了未指明的错误";
constexpr std::u16string_view kPermissionReason = u"没有使用该设备的权限";
constexpr std::u16string_view kHardwareParamsReason = u"设备拒绝了所有播放参数";
constexpr std::u16string_view kFailedLabel = u"测试失败：";

// "（pipewire）" when the holder is known, else nothing.
std::u16string HolderText(const QueryNote& note) {
  return note.holder.empty() ? std::u16string() : u"（" + Utf8ToUtf16(note.holder) + u"）";
}

}  // namespace

std::u16string FailureReason(uint32_t result, const QueryNote& note) {
  switch (note.cause) {
    case QueryNote::Cause::kPermission:
      return std::u16string(kPermissionReason);
    case QueryNote::Cause::kHardwareParams:
      return std::u16string(kHardwareParamsReason);
    case QueryNote::Cause::kNone:
      break;
  }
  if (result == kMmSysErrAllocated) return u"设备正被其他程序" + HolderText(note) + u"占用";
  for (const Reason& reason : kReasons) {
    if (reason.result == result) return std::u16string(reason.text);
  }
  return std::u16string(kUnspecifiedReason);
}

std::u16string FailureText(const ProbeResult& probe) {
  return std::u16string(kFailedLabel) + FailureReason(probe.queryResult, probe.note) +
         u"（错误代码 " + DecimalText(probe.queryResult) + u"）";
}

namespace {

// "48", "44.1", "11.025": a rate in kHz without trailing zeros.
std::u16string KiloHertz(uint32_t rate) {
  std::u16string text = DecimalText(static_cast<int32_t>(rate / 1000));
  if (uint32_t rest = rate % 1000; rest != 0) {
    std::u16string digits = DecimalText(static_cast<int32_t>(rest + 1000)).substr(1);
    while (digits.back() == u'0') digits.pop_back();
    text += u"." + digits;
  }
  return text;
}

template <typename T, typename F>
std::u16string Joined(const std::vector<T>& values, F text) {
  std::u16string out;
  for (const T& v : values) out += (out.empty() ? u"" : u"/") + text(v);
  return out;
}

// A few values one by one, a longer run as its two ends.
template <typename T, typename F>
std::u16string ValuesText(const std::vector<T>& values, F text) {
  if (values.size() <= 3) return Joined(values, text);
  return text(values.front()) + u"～" + text(values.back());
}

// "48 kHz，24 位，立体声": the rates, sample sizes and channel counts that
// the device takes in any combination.
std::u16string NativeSummary(const FormatMatrix& m) {
  std::vector<uint32_t> rates;
  std::vector<int> bits, floatBits, channels;
  auto add = [](auto& list, auto value) {
    if (std::find(list.begin(), list.end(), value) == list.end()) list.push_back(value);
  };
  uint16_t rateBits = 0;
  for (size_t f = 0; f < kSampleFormats.size(); ++f) {
    for (int c = 1; c <= m.channels; ++c) {
      if (m.Rates(f, c) == 0) continue;
      rateBits = static_cast<uint16_t>(rateBits | m.Rates(f, c));
      add(kSampleFormats[f].isFloat ? floatBits : bits, int{kSampleFormats[f].validBits});
      add(channels, c);
    }
  }
  if (rateBits == 0) return {};
  for (size_t r = 0; r < kMatrixRates.size(); ++r) {
    if (rateBits & (1u << r)) rates.push_back(kMatrixRates[r]);
  }
  std::sort(bits.begin(), bits.end());
  std::sort(floatBits.begin(), floatBits.end());
  std::sort(channels.begin(), channels.end());
  auto number = [](int n) { return DecimalText(n); };
  std::u16string sizes;
  if (!bits.empty()) sizes = Joined(bits, number) + u" 位";
  if (!floatBits.empty())
    sizes += (sizes.empty() ? u"" : u"、") + Joined(floatBits, number) + u" 位浮点";
  std::u16string counts;
  if (channels == std::vector<int>{1}) {
    counts = u"单声道";
  } else if (channels == std::vector<int>{2}) {
    counts = u"立体声";
  } else if (channels == std::vector<int>{1, 2}) {
    counts = u"单声道/立体声";
  } else {
    const bool run = channels.back() - channels.front() + 1 == static_cast<int>(channels.size());
    counts = (run ? ValuesText(channels, number) : Joined(channels, number)) + u" 声道";
  }
  return ValuesText(rates, KiloHertz) + u" kHz，" + sizes + u"，" + counts;
}

// Read from what the system publishes, not measured: said as such.
std::u16string InUseLine(const QueryNote& note) {
  std::u16string line = u"测试时设备正被其他程序" + HolderText(note) + u"占用，以上格式读自 ";
  for (size_t i = 0; i < note.sources.size(); ++i) {
    line += (i > 0 ? u"、" : u"") + Utf8ToUtf16(note.sources[i]);
  }
  return line;
}

// The report's lines by what each says, written in this order.
struct ReportParts {
  std::u16string name, productId, driverId, driverVersion;
  std::u16string channels;  // output or input channels, with its label
  std::vector<std::u16string> formats;
  std::u16string native;  // under an empty format list: what the device takes
  std::vector<std::u16string> support;
  std::u16string inUse;    // described rather than measured: by whom, from where
  std::u16string playing;  // and what it plays now

  std::vector<std::u16string> Lines() const {
    std::vector<std::u16string> lines;
    auto add = [&](const std::u16string& line) {
      if (!line.empty()) lines.push_back(line + std::u16string(kCrLf));
    };
    add(u"产品名称：" + name);
    add(u"产品 Id：" + productId);
    add(u"驱动程序 Id：" + driverId);
    add(u"驱动程序版本：" + driverVersion);
    add(channels);
    add(u"支持格式列表及扩展输出功能列表：");
    for (const auto& text : formats) add(text);
    add(native);
    for (const auto& text : support) add(text);
    add(inUse);
    add(playing);
    return lines;
  }
};

ReportParts PartsOf(const WAVEOUTCAPS& caps, Direction direction) {
  // Everything is decoded before the first line is composed.
  const DriverVersion version = DecodeDriverVersion(caps.vDriverVersion);
  const std::u16string_view label =
      direction == Direction::kCapture ? u"输入声道：" : u"输出声道：";
  return {.name = ProductName(caps),
          .productId = IdText(caps.wPid),
          .driverId = IdText(caps.wMid),
          .driverVersion = version.major + u"." + DecimalText(version.minor),
          .channels = std::u16string(label) + ChannelText(caps.wChannels),
          .formats = FormatList(caps.dwFormats),
          .support = SupportList(caps.dwSupport)};
}

// What the device in use plays now, on a line of its own: what it does at
// the moment, not what it can.
std::u16string PlayingLine(const QueryNote::Playing& playing, Direction direction) {
  return (direction == Direction::kCapture ? u"正在录音 " : u"正在播放 ") +
         Utf8ToUtf16(playing.format) + u" " + DecimalText(static_cast<int32_t>(playing.channels)) +
         u" 声道 " + DecimalText(static_cast<int32_t>(playing.rate)) + u" Hz";
}

}  // namespace

std::vector<std::u16string> ReportLines(const WAVEOUTCAPS& caps) {
  return PartsOf(caps, Direction::kPlayback).Lines();
}

std::vector<std::u16string> ReportLines(const ProbeResult& probe, Direction direction) {
  ReportParts parts = PartsOf(probe.caps, direction);
  if (parts.formats.empty() && probe.note.native) {
    // No standard format: one line under the (empty) list says what it takes.
    if (const std::u16string summary = NativeSummary(*probe.note.native); !summary.empty()) {
      parts.native = u"（本设备的原生格式：" + summary + u"）";
    }
  }
  if (DeviceInUse(probe) == InUse::kDescribed) {
    parts.inUse = InUseLine(probe.note);
    if (probe.note.playing) parts.playing = PlayingLine(*probe.note.playing, direction);
  }
  return parts.Lines();
}

}  // namespace tivrel
