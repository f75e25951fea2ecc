#include "platform/linux/qt/report_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include "platform/linux/qt/look.h"

namespace tivrel::qt {
namespace {

struct Press {
  int button, shift;
  QPoint point;
};

class ReportBoxTest : public testing::Test {
 protected:
  ReportBoxTest() {
    box.resize(279, 267);
    box.show();
    QObject::connect(&box, &ReportBox::mousePressed, [this](int b, int s, QPoint p) {
      presses.push_back({b, s, p});
    });
  }
  ReportBox box;
  std::vector<Press> presses;
};

TEST_F(ReportBoxTest, TextReadsBackExactlyWithEveryKindOfLineEnd) {
  const std::u16string text = u"产品名称：声卡\r\n产品 Id：12\r\n\r\nlone\rcr\nlf\r\n";
  box.SetExactText(text);
  EXPECT_EQ(box.ExactText(), text);
  // Shown as lines: CR LF, a lone CR and a lone LF each break once.
  EXPECT_EQ(box.document()->blockCount(), 7);
  EXPECT_EQ(box.document()->findBlockByNumber(0).text(), QString::fromUtf8("产品名称：声卡"));
  EXPECT_EQ(box.document()->findBlockByNumber(3).text(), QStringLiteral("lone"));
  box.SetExactText(u"");
  EXPECT_TRUE(box.ExactText().empty());
  EXPECT_TRUE(box.SelectedExactText().empty());
}

TEST_F(ReportBoxTest, SelectionMapsBackWithItsCrLf) {
  box.SetExactText(u"ab\r\ncd\r\nef\r\n");
  box.SelectExact(1, 5);  // "b\r\ncd"
  EXPECT_EQ(box.SelectedExactText(), u"b\r\ncd");
  box.SelectExact(0, 12);
  EXPECT_EQ(box.SelectedExactText(), u"ab\r\ncd\r\nef\r\n");
  // Selecting the whole document by hand gives the text as given.
  box.selectAll();
  EXPECT_EQ(box.SelectedExactText(), u"ab\r\ncd\r\nef\r\n");
  // A selection ending just past a line break takes both of its characters.
  QTextCursor c = box.textCursor();
  c.setPosition(1);
  c.setPosition(3, QTextCursor::KeepAnchor);
  box.setTextCursor(c);
  EXPECT_EQ(box.SelectedExactText(), u"b\r\n");
  // A new text drops the selection.
  box.SetExactText(u"x\r\n");
  EXPECT_TRUE(box.SelectedExactText().empty());
}

TEST_F(ReportBoxTest, CopyingFromTheBoxCarriesTheExactText) {
  box.SetExactText(u"一\r\n二\r\n");
  box.selectAll();
  box.copy();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("一\r\n二\r\n"));
}

TEST_F(ReportBoxTest, TypingAndPastingChangeNothing) {
  box.SetExactText(u"report\r\n");
  box.setFocus();
  QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
  QTest::keyClicks(&box, QStringLiteral("typed"));
  QTest::keyClick(&box, Qt::Key_Backspace);
  QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
  box.paste();
  EXPECT_EQ(box.ExactText(), u"report\r\n");
  EXPECT_EQ(box.toPlainText(), QStringLiteral("report\n"));
}

TEST_F(ReportBoxTest, LongLinesWrapAndNoHorizontalBarEver) {
  box.SetExactText(std::u16string(400, u'宽') + u"\r\n");
  QApplication::processEvents();
  EXPECT_EQ(box.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_FALSE(box.horizontalScrollBar()->isVisible());
  EXPECT_GT(box.document()->findBlockByNumber(0).layout()->lineCount(), 1);
  EXPECT_TRUE(box.verticalScrollBar()->isVisible());
}

TEST_F(ReportBoxTest, EveryButtonPressIsReportedWithShiftBitsAndNoMenuOfItsOwn) {
  box.SetExactText(u"text\r\n");
  const QPoint at(20, 30);
  QTest::mousePress(box.viewport(), Qt::RightButton, Qt::ShiftModifier | Qt::AltModifier, at);
  QTest::mouseRelease(box.viewport(), Qt::RightButton, {}, at);
  QTest::mousePress(box.viewport(), Qt::LeftButton, Qt::ControlModifier, at);
  QTest::mouseRelease(box.viewport(), Qt::LeftButton, {}, at);
  QTest::mousePress(box.viewport(), Qt::MiddleButton, {}, at);
  QTest::mouseRelease(box.viewport(), Qt::MiddleButton, {}, at);
  ASSERT_EQ(presses.size(), 3u);
  EXPECT_EQ(presses[0].button, 2);
  EXPECT_EQ(presses[0].shift, 1 | 4);
  EXPECT_EQ(presses[1].button, 1);
  EXPECT_EQ(presses[1].shift, 2);
  EXPECT_EQ(presses[2].button, 4);
  // In the box's own coordinates, frame included.
  EXPECT_EQ(presses[0].point, box.viewport()->mapTo(&box, at));

  // The toolkit's edit menu never opens.
  QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, box.mapToGlobal(at));
  QApplication::sendEvent(box.viewport(), &menuEvent);
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  EXPECT_TRUE(menuEvent.isAccepted());
}

}  // namespace
}  // namespace tivrel::qt
