// What the program relies on of its two hosted controls: the push button and
// the scrolling-text line. Both platforms build their own equivalents.
#pragma once

#include <cstdint>
#include <string_view>

#include "framework/design.h"

namespace tivrel {

// The button's read-write Boolean property, reached only by this dispatch id.
// Writing False must not disable the button: Test stays pressable.
inline constexpr int32_t kButtonFlagDispId = 0x6803000F;
// What it holds in a new button: the designs store no value for it.
inline constexpr bool kButtonFlagDefault = false;

// Ticks of the scrolling line: how far the text moves and how often. One
// pixel every 30 ms reads smoothly and costs nothing.
inline constexpr int kMovingTextIntervalMs = 30;
inline constexpr int kMovingTextStepPx = 1;

// Where the scrolling text's left edge stands after `tick` steps in a box
// `boxWidth` pixels wide for a text `textWidth` pixels wide: it enters from
// the right, leaves on the left, and starts over.
int MovingTextOffset(long long tick, int boxWidth, int textWidth);

// The looks of the bitmap button face: which of the picture's frames to draw.
// A picture of five frames side by side (ButtonSettings::pictureFrames) holds
// normal, hot, pressed, focused and disabled looks; a one-frame picture serves
// every look and the button draws the difference itself.
enum class ButtonLook { Normal = 0, Hot = 1, Pressed = 2, Focused = 3, Disabled = 4 };
struct FrameRect {
  int x, y, width, height;
};
FrameRect ButtonFaceFrame(int pictureWidth, int pictureHeight, int frames, ButtonLook look);
inline FrameRect ButtonFaceFrame(const ButtonSettings& s, ButtonLook look) {
  return ButtonFaceFrame(s.pictureWidth, s.pictureHeight, s.pictureFrames, look);
}

}  // namespace tivrel
