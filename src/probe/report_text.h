// The report that a capability query gives: its lines as the report box
// shows them, and a failed query in words.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "probe/device_query.h"
#include "probe/direction.h"
#include "probe/waveoutcaps.h"

namespace tivrel {

inline constexpr std::u16string_view kNoDeviceMessage =
    u"在您的计算机上没有发现声卡设备或声卡驱动程序未安装";
inline constexpr std::u16string_view kCrLf = u"\r\n";
// The report's lines, each with its CR LF, in the order they are written.
std::vector<std::u16string> ReportLines(const WAVEOUTCAPS& caps);
// The same for a successful query, with a last line saying where the values
// came from when the service read them instead of asking the device. An input
// device's report counts input channels.
std::vector<std::u16string> ReportLines(const ProbeResult& probe,
                                        Direction direction = Direction::kPlayback);

// A failed query in words: why, without the code.
std::u16string FailureReason(uint32_t result, const QueryNote& note);
// The box's whole text after a failed query: one line, no line end.
std::u16string FailureText(const ProbeResult& probe);

}  // namespace tivrel
