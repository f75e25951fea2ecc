// The report box's context menu, clipboard copy and font size.
#pragma once

#include <cstdint>
#include <string_view>

#include "framework/design.h"

namespace tivrel {

class App;

// The main window's report box and the menu items of the report view, as
// the main window's design names them.
namespace form1 {
inline constexpr ControlRef kText1{"Text1"};
inline constexpr MenuRef kTofiles{"tofiles"};
inline constexpr MenuRef kCopy{"copy"};
inline constexpr MenuRef kAllcopy{"allcopy"};
inline constexpr MenuRef kBig{"big"};
inline constexpr MenuRef kMid{"mid"};
inline constexpr MenuRef kSmall{"small"};
}  // namespace form1

inline constexpr int16_t kRightButton = 2;
inline constexpr float kFontSizeBig = 11.0f;
inline constexpr float kFontSizeMid = 10.0f;
inline constexpr float kFontSizeSmall = 9.0f;

// Another program may hold the clipboard for a moment: the platform tries so
// many times, so far apart, before it gives up as busy. One policy for every
// platform, and well under a second in all, since the window waits meanwhile.
struct ClipboardRetry {
  int tries;
  int delayMs;
};
inline constexpr ClipboardRetry kClipboardRetry{10, 20};

inline constexpr std::u16string_view kClipboardBusyText =
    u"剪贴板正被其他程序占用，未能复制。请稍后再试。";
inline constexpr std::u16string_view kClipboardBusyTitle = u"系统提示";

void Text1_MouseDown(App& app, int16_t button, int16_t shift, float x, float y);
void CopySelection(App& app);                    // copy
void CopyAll(App& app);                          // allcopy
void SetReportFontSize(App& app, float points);  // big, mid, small

}  // namespace tivrel
