#include "controls/hosted.h"

namespace tivrel {

int MovingTextOffset(long long tick, int boxWidth, int textWidth) {
  if (boxWidth <= 0) return 0;
  const long long span = static_cast<long long>(boxWidth) + (textWidth > 0 ? textWidth : 0);
  const long long travelled = (tick * kMovingTextStepPx) % span;
  return static_cast<int>(boxWidth - travelled);
}

FrameRect ButtonFaceFrame(int pictureWidth, int pictureHeight, ButtonLook look) {
  // A strip of five square frames; anything else is a single face.
  if (pictureHeight > 0 && pictureWidth == 5 * pictureHeight) {
    return {static_cast<int>(look) * pictureHeight, 0, pictureHeight, pictureHeight};
  }
  return {0, 0, pictureWidth, pictureHeight};
}

}  // namespace tivrel
