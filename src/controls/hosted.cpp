#include "controls/hosted.h"

#include <algorithm>

namespace tivrel {

int MovingTextOffset(long long tick, int boxWidth, int textWidth) {
  if (boxWidth <= 0) return 0;
  const long long span = static_cast<long long>(boxWidth) + (textWidth > 0 ? textWidth : 0);
  const long long travelled = (tick * kMovingTextStepPx) % span;
  return static_cast<int>(boxWidth - travelled);
}

FrameRect ButtonFaceFrame(int pictureWidth, int pictureHeight, int frames, ButtonLook look) {
  if (frames <= 1 || pictureWidth < frames) return {0, 0, pictureWidth, pictureHeight};
  const int width = pictureWidth / frames;
  const int frame = std::min(static_cast<int>(look), frames - 1);
  return {frame * width, 0, width, pictureHeight};
}

}  // namespace tivrel
