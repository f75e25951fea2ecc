#include "platform/linux/qt/hosted_widgets.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include "platform/linux/qt/look.h"

namespace tivrel::qt {
namespace {

ButtonSettings Settings(ImageId picture = ImageId::None, int frames = 1) {
  ButtonSettings s;
  s.caption = u"开始测试";
  s.picture = picture;
  s.pictureFrames = frames;
  return s;
}

class BitmapButtonTest : public testing::Test {
 protected:
  BitmapButtonTest() : button(Settings()) {
    button.resize(89, 33);
    window.resize(200, 100);
    button.setParent(&window);
    window.show();
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::mouseMove(&window, QPoint(150, 80));  // the pointer rests beside the button
  }
  QWidget window;
  BitmapButton button;
};

TEST_F(BitmapButtonTest, OneClickPerPressWhateverPressesIt) {
  QSignalSpy clicks(&button, &QAbstractButton::clicked);
  QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(clicks.count(), 1);
  // Released outside: no click.
  QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
  QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(150, 80));
  EXPECT_EQ(clicks.count(), 1);
  // The right button presses nothing.
  QTest::mouseClick(&button, Qt::RightButton, {}, QPoint(10, 10));
  EXPECT_EQ(clicks.count(), 1);

  button.setFocus();
  QTest::keyClick(&button, Qt::Key_Space);
  EXPECT_EQ(clicks.count(), 2);
  QTest::keyClick(&button, Qt::Key_Return);
  QTest::keyClick(&button, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(clicks.count(), 4);
  // A held key repeats without pressing again; Ctrl+Enter is no press.
  QTest::keyEvent(QTest::Press, &button, Qt::Key_Return, Qt::NoModifier, 0);
  QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), true);
  QApplication::sendEvent(&button, &repeat);
  QTest::keyClick(&button, Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(clicks.count(), 5);
}

TEST_F(BitmapButtonTest, TheDispatchFlagLeavesTheButtonPressable) {
  QSignalSpy clicks(&button, &QAbstractButton::clicked);
  EXPECT_EQ(button.doneFlag(), kButtonFlagDefault);
  button.SetDoneFlag(true);
  button.SetDoneFlag(false);
  button.SetDoneFlag(false);
  EXPECT_FALSE(button.doneFlag());
  EXPECT_TRUE(button.isEnabled());
  QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(clicks.count(), 1);
}

TEST_F(BitmapButtonTest, LooksFollowTheState) {
  button.clearFocus();
  EXPECT_EQ(button.look(), ButtonLook::Normal);
  button.setDown(true);
  EXPECT_EQ(button.look(), ButtonLook::Pressed);
  button.setDown(false);
  button.setEnabled(false);
  EXPECT_EQ(button.look(), ButtonLook::Disabled);
  button.setEnabled(true);
  button.setFocus();
  EXPECT_EQ(button.look(), button.showFocus() ? ButtonLook::Focused : ButtonLook::Normal);
}

TEST(BitmapButtonFace, MaskColourIsTransparentAndFramesComeFromTheDesign) {
  ButtonSettings s = Settings();
  s.showfocus = false;
  s.pictureFrames = 5;
  BitmapButton button(s);
  EXPECT_FALSE(button.showFocus());
  EXPECT_EQ(button.frames(), 5);
  QImage picture(125, 25, QImage::Format_RGB32);
  picture.fill(QColor(200, 210, 230));
  picture.setPixel(0, 0, qRgb(255, 255, 255));
  button.SetFace(QPixmap::fromImage(picture));
  const QImage masked = button.face().toImage().convertToFormat(QImage::Format_ARGB32);
  EXPECT_EQ(qAlpha(masked.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(masked.pixel(12, 12)), 255);
  // Painting every look works on a framed face.
  button.resize(89, 25);
  for (bool enabled : {true, false}) {
    button.setEnabled(enabled);
    const QImage shot = button.grab().toImage();
    EXPECT_EQ(shot.size(), QSize(89, 25));
  }
}

TEST(BitmapButtonFace, TheDesignsPictureWithItsMaskColourSeeThrough) {
  BitmapButton button(Settings(ImageId::ReturnFace, 5));
  ASSERT_FALSE(button.face().isNull()) << "the return button's face is not among the resources";
  EXPECT_EQ(button.face().size(), QSize(125, 25));
  EXPECT_EQ(button.frames(), 5);
  // White, the mask colour, is what the mask leaves out; nothing else is.
  const QImage picture = Image(ImageId::ReturnFace).toImage();
  const QImage mask = button.face().mask().toImage();
  int white = 0, hidden = 0, mismatched = 0;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const bool isWhite = (picture.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF;
      const bool isHidden = mask.pixelIndex(x, y) == 0;
      white += isWhite;
      hidden += isHidden;
      mismatched += isWhite != isHidden;
    }
  }
  EXPECT_GT(white, 0);
  EXPECT_EQ(mismatched, 0) << white << " white, " << hidden << " hidden";
}

TEST(MovingTextTest, ScrollsWhileShownAndStopsWhenHidden) {
  MovingTextSettings s;
  s.msgchar = u"点此来信：lanling@example.com";
  s.charcolor = 0xFF8080;
  s.backcolor = kButtonFace;
  MovingTextWidget line(s, false);
  line.resize(273, 17);
  EXPECT_EQ(line.textColour(), QColor(0x80, 0x80, 0xFF));
  EXPECT_EQ(line.backColour(), line.palette().color(QPalette::Button));
  EXPECT_EQ(line.offset(), 273);  // enters from the right
  EXPECT_FALSE(line.scrolling());
  line.show();
  EXPECT_TRUE(line.scrolling());
  QTest::qWait(kMovingTextIntervalMs * 5);
  EXPECT_GT(line.tick(), 0);
  EXPECT_LT(line.offset(), 273);
  line.hide();
  EXPECT_FALSE(line.scrolling());
}

TEST(MovingTextTest, FocusArrivalsAreReportedButNotReturnsWithTheWindow) {
  MovingTextSettings s;
  s.msgchar = u"x";
  QWidget window;
  auto* other = new QWidget(&window);
  other->setFocusPolicy(Qt::StrongFocus);
  auto* tabbed = new MovingTextWidget(s, true, &window);
  auto* clickOnly = new MovingTextWidget(s, false, &window);
  clickOnly->move(0, 40);
  window.resize(300, 80);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  EXPECT_EQ(tabbed->focusPolicy(), Qt::StrongFocus);
  EXPECT_EQ(clickOnly->focusPolicy(), Qt::ClickFocus);

  QSignalSpy arrivals(clickOnly, &MovingTextWidget::focusArrived);
  other->setFocus();
  QTest::mouseClick(clickOnly, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(arrivals.count(), 1);
  // Further clicks while it holds the focus ask nothing more.
  QTest::mouseClick(clickOnly, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(arrivals.count(), 1);
  // The focus coming back with the window is no arrival.
  QFocusEvent back(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
  QApplication::sendEvent(clickOnly, &back);
  QFocusEvent afterPopup(QEvent::FocusIn, Qt::PopupFocusReason);
  QApplication::sendEvent(clickOnly, &afterPopup);
  EXPECT_EQ(arrivals.count(), 1);
}

}  // namespace
}  // namespace tivrel::qt
