// Reads every embedded image through Qt's own readers, as the Qt front end
// does, and checks the frame sizes the window designs ask for.
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QSize>
#include <cstdio>
#include <vector>

namespace {

int failures = 0;

void Expect(bool ok, const char* what, const QString& path) {
  if (!ok) {
    std::fprintf(stderr, "FAIL %s: %s\n", qPrintable(path), what);
    ++failures;
  }
}

// Every frame must decode, and the frames must have the listed sizes in order.
void CheckFrames(const QString& path, const std::vector<QSize>& sizes) {
  QImageReader reader(path);
  Expect(reader.canRead(), "no reader for it", path);
  Expect(reader.imageCount() == static_cast<int>(sizes.size()) ||
             (sizes.size() == 1 && reader.imageCount() == 0),
         "wrong frame count", path);
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    if (i > 0) Expect(reader.jumpToNextImage(), "missing frame", path);
    const QImage image = reader.read();
    Expect(!image.isNull(), qPrintable("frame does not decode: " + reader.errorString()), path);
    Expect(image.size() == sizes[i], "wrong frame size", path);
  }
}

// Icons carry an AND mask: their corners are transparent, the centre is not.
void CheckMasked(const QString& path) {
  const QImage image = QImage(path).convertToFormat(QImage::Format_ARGB32);
  Expect(image.hasAlphaChannel(), "no transparency", path);
  Expect(qAlpha(image.pixel(0, 0)) == 0, "opaque corner", path);
  Expect(qAlpha(image.pixel(image.width() / 2, image.height() / 2)) == 255, "transparent centre",
         path);
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  CheckFrames(":/tivrel/30001", {QSize(32, 32)});
  CheckFrames(":/tivrel/30002", {QSize(32, 16), QSize(32, 32), QSize(32, 32), QSize(32, 32)});
  CheckFrames(":/tivrel/30003", {QSize(32, 32)});
  CheckFrames(":/tivrel/30004", {QSize(16, 16)});
  CheckFrames(":/tivrel/30005", {QSize(16, 16)});
  CheckFrames(":/tivrel/30101", {QSize(15, 3)});
  CheckFrames(":/tivrel/30102", {QSize(90, 21)});
  CheckFrames(":/tivrel/30103", {QSize(110, 19)});
  CheckFrames(":/tivrel/30104", {QSize(125, 25)});
  CheckFrames(":/tivrel/tivrel.png", {QSize(256, 256)});
  for (const char* icon :
       {":/tivrel/30001", ":/tivrel/30003", ":/tivrel/30004", ":/tivrel/30005"}) {
    CheckMasked(icon);
  }
  // The faces are keyed on pure white: the Qt button masks it the same way.
  const QImage face(":/tivrel/30104");
  Expect(face.depth() >= 24 && !face.hasAlphaChannel(), "face is not plain RGB", ":/tivrel/30104");
  Expect(face.pixel(0, 0) == qRgb(255, 255, 255), "face corner is not the mask colour",
         ":/tivrel/30104");
  Expect(face.pixel(12, 12) != qRgb(255, 255, 255), "face centre is masked", ":/tivrel/30104");
  std::printf("%s\n", failures == 0 ? "all images read" : "image check failed");
  return failures == 0 ? 0 : 1;
}
