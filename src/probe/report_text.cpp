#include "probe/report_text.h"

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

std::vector<std::u16string> ReportLines(const WAVEOUTCAPS& caps) {
  // Everything is decoded before the first line is composed.
  const DriverVersion version = DecodeDriverVersion(caps.vDriverVersion);
  const std::u16string name = ProductName(caps);
  const std::u16string channels = ChannelText(caps.wChannels);

  std::vector<std::u16string> lines;
  auto add = [&](std::u16string line) { lines.push_back(std::move(line) + std::u16string(kCrLf)); };
  add(u"产品名称：" + name);
  add(u"产品 Id：" + IdText(caps.wPid));
  add(u"驱动程序 Id：" + IdText(caps.wMid));
  add(u"驱动程序版本：" + version.major + u"." + DecimalText(version.minor));
  add(u"输出声道：" + channels);
  add(u"支持格式列表及扩展输出功能列表：");
  for (auto& text : FormatList(caps.dwFormats)) add(std::move(text));
  for (auto& text : SupportList(caps.dwSupport)) add(std::move(text));
  return lines;
}

std::vector<std::u16string> ReportLines(const ProbeResult& probe) {
  auto lines = ReportLines(probe.caps);
  if (!probe.note.source.empty()) {
    // Read from what the kernel publishes, not measured: said as such.
    lines.push_back(u"测试时设备正被其他程序" + HolderText(probe.note) + u"占用，以上格式读自 " +
                    Utf8ToUtf16(probe.note.source) + std::u16string(kCrLf));
  }
  return lines;
}

}  // namespace tivrel
