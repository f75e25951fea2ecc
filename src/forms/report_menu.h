// The report box's context menu, clipboard copy and font size.
#pragma once

#include <cstdint>
#include <string_view>

namespace tivrel {

class App;

inline constexpr int16_t kRightButton = 2;
inline constexpr float kFontSizeBig = 11.0f;
inline constexpr float kFontSizeMid = 10.0f;
inline constexpr float kFontSizeSmall = 9.0f;

inline constexpr std::u16string_view kClipboardBusyText =
    u"剪贴板正被其他程序占用，未能复制。请稍后再试。";
inline constexpr std::u16string_view kClipboardBusyTitle = u"系统提示";

void Text1_MouseDown(App& app, int16_t button, int16_t shift, float x, float y);
void CopySelection(App& app);                    // copy
void CopyAll(App& app);                          // allcopy
void SetReportFontSize(App& app, float points);  // big, mid, small

}  // namespace tivrel
