// The Test command and the report it writes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "controls/hosted.h"
#include "framework/platform_api.h"
#include "probe/query_note.h"
#include "probe/waveoutcaps.h"

namespace tivrel {

class App;

inline constexpr std::u16string_view kNoDeviceMessage =
    u"在您的计算机上没有发现声卡设备或声卡驱动程序未安装";
inline constexpr std::u16string_view kTestDoneText = u"测试完成！";
inline constexpr std::u16string_view kTestDoneTitle = u"^_^";
inline constexpr std::u16string_view kCrLf = u"\r\n";
// The Test button's Boolean property, known only by its dispatch identifier.
inline constexpr int32_t kDispIdTestFlag = kButtonFlagDispId;

namespace form1 {
// The Test button: the one element of its control array, as the design has it.
inline constexpr ControlRef kCommand1{"Command1", 2};
}  // namespace form1

// One run of the device query: the count and, with a device, the result and record.
struct ProbeResult {
  int32_t deviceCount = 0;
  uint32_t queryResult = 0;  // meaningful when deviceCount >= 1
  WAVEOUTCAPS caps;
  QueryNote note;  // what the service added, when it can say more
  bool HasDevice() const { return deviceCount >= 1; }
};
ProbeResult ProbeDevice0(WaveOutApi& waveOut, const AnsiCodec& ansi);
// The query of one device, as for device 0; fills all of `result` but the count.
void QueryDevice(WaveOutApi& waveOut, const AnsiCodec& ansi, uintptr_t deviceId,
                 ProbeResult& result);

// The report's lines, each with its CR LF, in the order they are written.
std::vector<std::u16string> ReportLines(const WAVEOUTCAPS& caps);
// The same for a successful query, with a last line saying where the values
// came from when the service read them instead of asking the device.
std::vector<std::u16string> ReportLines(const ProbeResult& probe);

// A failed query in words: why, without the code.
std::u16string FailureReason(uint32_t result, const QueryNote& note);
// The box's whole text after a failed query: one line, no line end.
std::u16string FailureText(const ProbeResult& probe);

// Command1's click: the Test command.
void TestCommand(App& app, int index);

}  // namespace tivrel
