#include "probe/test_command.h"

#include "framework/app.h"
#include "framework/text.h"

namespace tivrel {

ProbeResult ProbeDevice0(WaveOutApi& waveOut, const AnsiCodec& ansi) {
  ProbeResult result;
  result.deviceCount = static_cast<int32_t>(waveOut.waveOutGetNumDevs());
  if (!result.HasDevice()) return result;
  // The record crosses the boundary as its ANSI image, converted right before
  // the call and back right after it, whatever the call answered.
  CapsImage image = ToImage(WAVEOUTCAPS{}, ansi);
  result.queryResult = waveOut.waveOutGetDevCapsA(0, image.data(), kQuerySize);
  result.caps = FromImage(image, ansi);
  return result;
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

void TestCommand(App& app, int /*index: not read*/) {
  Host& host = app.host();
  const ControlRef text1{"Text1"};
  const ProbeResult probe = ProbeDevice0(app.services().waveOut, app.services().ansi);
  if (!probe.HasDevice()) {
    host.SetText(FormId::Form1, text1, kNoDeviceMessage);
  } else if (probe.queryResult == 0) {
    // The box shows the report growing: the first line replaces whatever it
    // held, each later one is appended to the text read back from the box.
    const auto lines = ReportLines(probe.caps);
    host.SetText(FormId::Form1, text1, lines.front());
    for (size_t i = 1; i < lines.size(); ++i) {
      host.SetText(FormId::Form1, text1, host.GetText(FormId::Form1, text1) + lines[i]);
    }
  }
  // A failed query leaves the box as it was; every path ends here.
  host.PutBoolProperty(FormId::Form1, ControlRef{"Command1", 2}, kDispIdTestFlag, false);
  host.MessageBox(kTestDoneText, kTestDoneTitle, kMbIconInformation);
  host.SetFocus(FormId::Form1, text1);
}

}  // namespace tivrel
