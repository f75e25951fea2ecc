#include "controls/hosted.h"

#include <gtest/gtest.h>

namespace tivrel {
namespace {

TEST(MovingText, EntersFromTheRightLeavesLeftAndStartsOver) {
  const int box = 100, text = 40;
  EXPECT_EQ(MovingTextOffset(0, box, text), box);
  EXPECT_EQ(MovingTextOffset(1, box, text), box - kMovingTextStepPx);
  const long long span = (box + text) / kMovingTextStepPx;
  EXPECT_EQ(MovingTextOffset(span - 1, box, text), -text + kMovingTextStepPx);
  EXPECT_EQ(MovingTextOffset(span, box, text), box) << "wraps round";
  EXPECT_EQ(MovingTextOffset(1'000'000'000'000LL, box, text),
            MovingTextOffset(1'000'000'000'000LL % span, box, text));
  EXPECT_EQ(MovingTextOffset(5, 0, text), 0) << "a box without width";
}

TEST(ButtonFace, FramesComeFromTheDesignNotFromThePictureShape) {
  const FrameRect pressed = ButtonFaceFrame(125, 25, 5, ButtonLook::Pressed);
  EXPECT_EQ(pressed.x, 50);
  EXPECT_EQ(pressed.width, 25);
  EXPECT_EQ(ButtonFaceFrame(125, 25, 5, ButtonLook::Disabled).x, 100);
  // 15 x 3 is five times as wide as high, yet one face.
  const FrameRect test = ButtonFaceFrame(15, 3, 1, ButtonLook::Hot);
  EXPECT_EQ(test.x, 0);
  EXPECT_EQ(test.width, 15);
  EXPECT_EQ(ButtonFaceFrame(0, 0, 1, ButtonLook::Normal).width, 0);
  EXPECT_EQ(ButtonFaceFrame(3, 3, 5, ButtonLook::Pressed).width, 3) << "too narrow for frames";
}

}  // namespace
}  // namespace tivrel
