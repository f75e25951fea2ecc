// The program's windows on the Qt host, driven through the real App with a
// fake wave-out device and shell: what the user sees and what each click does.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCursor>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <functional>

#include "app/author.h"
#include "forms/form1.h"
#include "forms/program.h"
#include "forms/readme_text.h"
#include "platform/linux/qt/hosted_widgets.h"
#include "platform/linux/qt/look.h"
#include "platform/linux/qt/qt_host.h"
#include "platform/linux/qt/qt_services.h"
#include "platform/linux/qt/report_box.h"
#include "probe/report_text.h"
#include "support/fake_host.h"
#include "support/harness.h"

namespace tivrel::qt {
namespace {

using test::FakeShell;
using test::FakeWaveOut;

class TestHost : public QtHost {
 public:
  using QtHost::QtHost;
  int beeps = 0;
  int quits = 0;
  void Beep() override {
    ++beeps;
    QtHost::Beep();
  }
  [[noreturn]] void EndProcess() override { throw ProcessEnded{}; }
  void QuitEventLoop() override { ++quits; }
};

// Answers every modal message box with OK and remembers what it showed.
struct SeenBox {
  QString title, text;
  QMessageBox::Icon icon;
  int buttons;
  QString ok;  // the button's text, as shown
};
class ModalAnswerer {
 public:
  ModalAnswerer() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible()) return;
      seen.push_back({box->windowTitle(), box->text(), box->icon(),
                      static_cast<int>(box->buttons().size()),
                      box->button(QMessageBox::Ok)->text()});
      box->button(QMessageBox::Ok)->click();
    });
    timer_.start();
  }
  std::vector<SeenBox> seen;

 private:
  QTimer timer_;
};

// Plays the user at the next pop-up menu: notes its items, then picks one by
// its caption with the keys, down to it and Enter (a disabled item is never
// reached), and closes whatever is left. Keys, because a synthetic click
// reaches no item of a pop-up under every Qt 6 (6.8 moves no pointer for it).
class PopupDriver {
 public:
  explicit PopupDriver(QString pick = {}) : pick_(std::move(pick)) {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!menu) return;
      ++opened;
      at = menu->pos();
      items.clear();
      for (QAction* a : menu->actions()) items.push_back({a->text(), a->isEnabled()});
      for (QAction* a : menu->actions()) {
        if (a->text() == pick_) {
          for (qsizetype i = 0; i <= menu->actions().size() && menu->activeAction() != a; ++i) {
            QTest::keyClick(menu, Qt::Key_Down);
          }
          if (menu->activeAction() == a) QTest::keyClick(menu, Qt::Key_Return);
          break;
        }
      }
      if (QApplication::activePopupWidget() == menu) QTest::keyClick(menu, Qt::Key_Escape);
    });
    timer_.start();
  }
  int opened = 0;
  QPoint at;  // where the menu opened, on the screen
  std::vector<std::pair<QString, bool>> items;

 private:
  QString pick_;
  QTimer timer_;
};

QString Q(std::u16string_view s) { return ToQString(s); }

class QtProgramTest : public testing::Test {
 protected:
  explicit QtProgramTest(bool another = false)
      : host([this, another] {
          ++prevAsked;
          return another;
        }),
        windowMenu(host),
        app(host, Services{waveOut, windowMenu, shell, *gbk}, ProgramForms()) {
    host.SetApp(&app);
    waveOut.numDevs = 0;
  }

  bool Run(const std::function<void()>& event) {
    try {
      event();
      return true;
    } catch (const ProcessEnded&) {
      return false;
    }
  }
  FormWindow& Win(FormId f) {
    FormWindow* w = host.Window(f);
    if (!w) throw std::runtime_error("window not realised");
    return *w;
  }
  template <typename T = QWidget>
  T* Ctl(FormId f, std::string_view name, int index = kNoIndex) {
    return qobject_cast<T*>(Win(f).Control(name, index));
  }
  ReportBox* Report() { return Ctl<ReportBox>(FormId::Form1, "Text1"); }
  void ClickButton(FormId f, std::string_view name, int index = kNoIndex) {
    QTest::mouseClick(Ctl(f, name, index), Qt::LeftButton, {}, QPoint(10, 10));
    QApplication::processEvents();
  }
  void RightClickReport(Qt::KeyboardModifiers mods = {}) {
    QTest::mouseClick(Report()->viewport(), Qt::RightButton, mods, QPoint(30, 30));
  }
  void MenuItem(FormId f, std::string_view name) {
    Win(f).MenuAction(name)->trigger();
    QApplication::processEvents();
  }

  int prevAsked = 0;
  FakeWaveOut waveOut;
  FakeShell shell;
  std::unique_ptr<AnsiCodec> gbk = MakeGbkCodec();
  TestHost host;
  QtWindowMenu windowMenu;
  App app;
};

TEST_F(QtProgramTest, MainWindowIsBuiltFromItsDesign) {
  ASSERT_TRUE(Run([&] { app.Start(); }));
  FormWindow& w = Win(FormId::Form1);
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(w.windowTitle(), QString::fromUtf8("岚铃声卡测试仪 Build0730修正版"));
  EXPECT_EQ(w.client()->size(), QSize(Px(4680), Px(5340)));
  // Fixed size; title and close box only.
  EXPECT_EQ(w.minimumSize(), w.maximumSize());
  EXPECT_FALSE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(w.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_EQ(w.client()->mapToGlobal(QPoint(0, 0)), QPoint(Px(5025), Px(3315)));

  // The bar holds exactly 编辑 and 关于; 输出 is only a pop-up.
  QStringList bar;
  for (QAction* a : w.menuBar()->actions()) bar << a->text();
  EXPECT_EQ(bar, QStringList({QString::fromUtf8("编辑"), QString::fromUtf8("关于")}));
  ASSERT_NE(w.PopupMenu("tofiles"), nullptr);
  EXPECT_EQ(w.PopupMenu("tofiles")->title(), QString::fromUtf8("输出"));
  QStringList sizes;
  for (QAction* a : w.MenuAction("size")->menu()->actions()) sizes << a->text();
  EXPECT_EQ(sizes, QStringList({QString::fromUtf8("大"), QString::fromUtf8("中"),
                                QString::fromUtf8("小(默认)")}));
  EXPECT_EQ(w.MenuAction("readme")->text(), QString::fromUtf8("查看ReadeMe"));

  // Controls where the design puts them, with their tooltips.
  auto* test = Ctl<BitmapButton>(FormId::Form1, "Command1", 2);
  ASSERT_NE(test, nullptr);
  EXPECT_EQ(test->geometry(), QRect(Px(240), Px(4440), Px(1335), Px(495)));
  EXPECT_EQ(test->text(), QString::fromUtf8("开始测试"));
  EXPECT_EQ(test->toolTip(), QString::fromUtf8("使用岚铃测试您的声卡"));
  EXPECT_EQ(Ctl<BitmapButton>(FormId::Form1, "Command3", 3)->text(), QString::fromUtf8("  退出"));
  EXPECT_EQ(Ctl(FormId::Form1, "Command1"), nullptr);  // only element 2 exists

  // The empty report box on the button face, in the 9-point Chinese face.
  ReportBox* box = Report();
  EXPECT_TRUE(box->ExactText().empty());
  EXPECT_TRUE(box->isReadOnly());
  EXPECT_EQ(box->palette().color(QPalette::Base), box->palette().color(QPalette::Button));
  EXPECT_DOUBLE_EQ(box->font().pointSizeF(), 9.0);
  EXPECT_EQ(box->font().family(), ChineseUiFamily());
  EXPECT_EQ(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

TEST_F(QtProgramTest, TabVisitsTheButtonsAndTheReportButNeverTheContactLine) {
  ASSERT_TRUE(Run([&] { app.Start(); }));
  FormWindow& w = Win(FormId::Form1);
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  EXPECT_EQ(w.focusWidget(), Ctl(FormId::Form1, "Command1", 2));
  std::vector<QWidget*> visited;
  for (int i = 0; i < 4; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    visited.push_back(QApplication::focusWidget());
  }
  EXPECT_EQ(visited, (std::vector<QWidget*>{Ctl(FormId::Form1, "Command2", 1),
                                            Ctl(FormId::Form1, "Command3", 3), Report(),
                                            Ctl(FormId::Form1, "Command1", 2)}));
  EXPECT_TRUE(shell.uris.empty());
  // A click on the line gives it the focus and asks the shell once.
  QTest::mouseClick(Ctl(FormId::Form1, "MovingText1"), Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseClick(Ctl(FormId::Form1, "MovingText1"), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(shell.uris, (std::vector<std::string>{"mailto:" + test::U8(kAuthorEmail)}));
}

TEST_F(QtProgramTest, TestWritesTheReportThenTheMenuCopiesItExactly) {
  ASSERT_TRUE(Run([&] { app.Start(); }));
  ModalAnswerer answers;
  ClickButton(FormId::Form1, "Command1", 2);
  ASSERT_EQ(answers.seen.size(), 1u);
  EXPECT_EQ(answers.seen[0].title, QString::fromUtf8("^_^"));
  EXPECT_EQ(answers.seen[0].text, QString::fromUtf8("测试完成！"));
  EXPECT_EQ(answers.seen[0].icon, QMessageBox::Information);
  EXPECT_EQ(answers.seen[0].buttons, 1);
  EXPECT_EQ(answers.seen[0].ok, QString::fromUtf8("确定"));  // whatever the locale
  EXPECT_EQ(Report()->ExactText(), kNoDeviceMessage);
  EXPECT_EQ(Win(FormId::Form1).focusWidget(), Report());
  EXPECT_FALSE(Ctl<BitmapButton>(FormId::Form1, "Command1", 2)->doneFlag());

  PopupDriver all(QString::fromUtf8("全文复制"));
  RightClickReport();
  EXPECT_EQ(all.opened, 1);
  EXPECT_EQ(all.items,
            (std::vector<std::pair<QString, bool>>{{QString::fromUtf8("复制"), true},
                                                   {QString::fromUtf8("全文复制"), true}}));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), Q(kNoDeviceMessage));
  // The right click left the focus where it was, and the box enabled.
  EXPECT_TRUE(Report()->isEnabled());
  EXPECT_EQ(Win(FormId::Form1).focusWidget(), Report());
}

TEST_F(QtProgramTest, CopyTakesTheSelectionWithItsLineEnds) {
  ASSERT_TRUE(Run([&] { app.Start(); }));
  waveOut.numDevs = 1;
  waveOut.image = ToImage(test::Caps(u"Fake Card", 1, 2, 0x0105, 2, 0xFFF, 0x1D), *gbk);
  {
    ModalAnswerer answers;
    ClickButton(FormId::Form1, "Command1", 2);
  }
  const std::u16string report = Report()->ExactText();
  ASSERT_NE(report.find(u"产品名称：Fake Card\r\n"), std::u16string::npos);
  const size_t start = report.find(u"Fake");
  Report()->SelectExact(start, 11);  // "Fake Card\r\n"
  {
    PopupDriver copy(QString::fromUtf8("复制"));
    RightClickReport(Qt::ControlModifier);  // modifiers change nothing
    EXPECT_EQ(copy.opened, 1);
  }
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("Fake Card\r\n"));
  {
    PopupDriver all(QString::fromUtf8("全文复制"));
    RightClickReport();
  }
  EXPECT_EQ(QGuiApplication::clipboard()->text(), Q(report));
  // Nothing selected: 复制 empties the clipboard.
  Report()->SelectExact(0, 0);
  {
    PopupDriver copy(QString::fromUtf8("复制"));
    RightClickReport();
  }
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString());
}

TEST_F(QtProgramTest, ShiftF10AndTheMenuKeyOpenTheReportMenuAtTheCaret) {
  ASSERT_TRUE(Run([&] { app.Start(); }));
  const QRect box(Report()->mapToGlobal(QPoint(0, 0)), Report()->size());
  QCursor::setPos(box.bottomRight() + QPoint(200, 200));  // far from the caret
  const std::function<void()> keys[] = {
      [&] { QTest::keyClick(Report(), Qt::Key_F10, Qt::ShiftModifier); },
      [&] {
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(), QPoint());
        QApplication::sendEvent(Report(), &menuKey);
      }};
  for (const auto& key : keys) {
    Win(FormId::Form1).MenuAction("copy")->setEnabled(true);
    PopupDriver empty(QString::fromUtf8("复制"));
    key();
    ASSERT_EQ(empty.opened, 1);
    EXPECT_TRUE(box.contains(empty.at)) << empty.at.x() << "," << empty.at.y();
    // The right-click's enabling rule: nothing to copy yet.
    EXPECT_EQ(empty.items[0].second, false);
    EXPECT_EQ(empty.items[1].second, false);
  }
  {
    ModalAnswerer answers;
    ClickButton(FormId::Form1, "Command1", 2);
  }
  for (const auto& key : keys) {
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    PopupDriver all(QString::fromUtf8("全文复制"));
    key();
    ASSERT_EQ(all.opened, 1);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), Q(kNoDeviceMessage));
  }
}

TEST_F(QtProgramTest, AnEmptyReportOffersNothingToCopyAndOtherButtonsOpenNoMenu) {
  ASSERT_TRUE(Run([&] { app.Start(); }));
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  PopupDriver copy(QString::fromUtf8("复制"));
  RightClickReport();
  EXPECT_EQ(copy.opened, 1);
  EXPECT_EQ(copy.items,
            (std::vector<std::pair<QString, bool>>{{QString::fromUtf8("复制"), false},
                                                   {QString::fromUtf8("全文复制"), false}}));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
  QTest::mouseClick(Report()->viewport(), Qt::LeftButton, {}, QPoint(30, 30));
  QTest::mouseClick(Report()->viewport(), Qt::MiddleButton, {}, QPoint(30, 30));
  QTest::qWait(30);
  EXPECT_EQ(copy.opened, 1);
  EXPECT_FALSE(Win(FormId::Form1).MenuAction("copy")->isEnabled());
}

TEST_F(QtProgramTest, FontSizeItemsSetTheWholeBox) {
  ASSERT_TRUE(Run([&] { app.Start(); }));
  MenuItem(FormId::Form1, "big");
  EXPECT_DOUBLE_EQ(Report()->font().pointSizeF(), 11.0);
  MenuItem(FormId::Form1, "mid");
  EXPECT_DOUBLE_EQ(Report()->font().pointSizeF(), 10.0);
  MenuItem(FormId::Form1, "small");
  MenuItem(FormId::Form1, "small");
  EXPECT_DOUBLE_EQ(Report()->font().pointSizeF(), 9.0);
  EXPECT_FALSE(Win(FormId::Form1).MenuAction("small")->isCheckable());
}

TEST_F(QtProgramTest, AboutReplacesTheMainWindowAndReturnBuildsItAfresh) {
  ASSERT_TRUE(Run([&] { app.Start(); }));
  MenuItem(FormId::Form1, "big");
  const QPointer<FormWindow> old = &Win(FormId::Form1);
  MenuItem(FormId::Form1, "gyll");
  QApplication::processEvents();
  EXPECT_EQ(host.Window(FormId::Form1), nullptr);
  FormWindow& about = Win(FormId::frmAbout);
  EXPECT_TRUE(about.isVisible());
  EXPECT_EQ(host.beeps, 1);
  EXPECT_EQ(about.windowTitle(), QString::fromUtf8("关于岚铃声卡测试仪"));
  EXPECT_EQ(about.client()->size(), QSize(Px(5550), Px(1875)));
  EXPECT_EQ(about.windowType(), Qt::Dialog);
  EXPECT_FALSE(about.closable());
  EXPECT_FALSE(about.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_EQ(about.menuBar(), nullptr);
  // Fonts of the labels: the designed sizes, made smaller only as far as a
  // fallback face's taller line needs to fit its label, the legal notice
  // never smaller than the labels above it; no text is cut.
  QFont title = Ctl<QLabel>(FormId::frmAbout, "Label1")->font();
  EXPECT_EQ(title.weight(), QFont::Bold);
  const std::pair<const char*, double> designed[] = {
      {"bq", 10.5}, {"Label1", 9.75}, {"Label2", 9.75}, {"Label3", 9.75}};
  for (const auto& [name, points] : designed) {
    auto* label = Ctl<QLabel>(FormId::frmAbout, name);
    const QFontMetrics m(label->font());
    EXPECT_LE(label->font().pointSizeF(), points) << name;
    EXPECT_GT(label->font().pointSizeF(), points / 2) << name;
    EXPECT_LE(m.tightBoundingRect(label->text()).height(), label->height()) << name;
    EXPECT_LE(m.horizontalAdvance(label->text()), label->width()) << name;
    EXPECT_GE(Ctl(FormId::frmAbout, "bq")->font().pointSizeF(), label->font().pointSizeF()) << name;
  }
  EXPECT_EQ(Ctl(FormId::frmAbout, "Command3")->toolTip(), QString::fromUtf8("返回主界面"));
  // Neither the window system nor Alt+F4 closes it.
  about.close();
  QApplication::processEvents();
  EXPECT_EQ(host.Window(FormId::frmAbout), &about);
  EXPECT_TRUE(about.isVisible());
  // Opening it asked the shell nothing.
  EXPECT_TRUE(shell.uris.empty());

  ClickButton(FormId::frmAbout, "Command3");
  EXPECT_EQ(host.Window(FormId::frmAbout), nullptr);
  FormWindow& fresh = Win(FormId::Form1);
  EXPECT_TRUE(fresh.isVisible());
  EXPECT_NE(&fresh, old.data()) << "a new window, not the old one again";
  EXPECT_TRUE(Report()->ExactText().empty());
  EXPECT_DOUBLE_EQ(Report()->font().pointSizeF(), 9.0);
  EXPECT_EQ(prevAsked, 1);  // asked once, the answer kept

  // Once more: another About, another beep, the close command gone again.
  ClickButton(FormId::Form1, "Command2", 1);
  EXPECT_EQ(host.beeps, 2);
  EXPECT_FALSE(Win(FormId::frmAbout).closable());
}

TEST_F(QtProgramTest, ReadmeIsOneIndependentWindow) {
  ASSERT_TRUE(Run([&] { app.Start(); }));
  MenuItem(FormId::Form1, "readme");
  FormWindow* readme = host.Window(FormId::frmreadme);
  ASSERT_NE(readme, nullptr);
  MenuItem(FormId::Form1, "readme");
  EXPECT_EQ(host.Window(FormId::frmreadme), readme);
  EXPECT_EQ(host.beeps, 1);
  EXPECT_EQ(readme->windowTitle(), QStringLiteral("ReadMe"));
  EXPECT_EQ(readme->windowType(), Qt::Window);
  EXPECT_EQ(host.GetText(FormId::frmreadme, ControlRef{"Text1"}), ReadmeText());
  EXPECT_EQ(readme->client()->size(), QSize(Px(4635), Px(3390)));
  // Fourteen lines, each shown as one: the hand-made breaks are the only ones.
  auto* box = Ctl<ReportBox>(FormId::frmreadme, "Text1");
  // The toolkit's edit menu here; on the main window only the report's own.
  for (auto [b, opens] : {std::pair{box, true}, std::pair{Report(), false}}) {
    QTimer::singleShot(200, [] {
      if (QWidget* menu = QApplication::activePopupWidget()) menu->close();
    });
    bool opened = false;
    QTimer::singleShot(100, [&] { opened = QApplication::activePopupWidget() != nullptr; });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), b->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(b->viewport(), &event);
    QTest::qWait(250);
    EXPECT_EQ(opened, opens) << (opens ? "read-me" : "report");
  }
  QApplication::processEvents();
  ASSERT_EQ(box->document()->blockCount(), 15);  // and the empty one after the last CR LF
  for (QTextBlock b = box->document()->begin(); b.isValid(); b = b.next()) {
    EXPECT_EQ(b.layout()->lineCount(), 1) << b.text().toStdString();
  }
  // The signature stands where 36 blanks put it in 宋体: 18 characters in.
  const QTextBlock signature = box->document()->findBlockByNumber(12);
  const QTextLine line = signature.layout()->lineAt(0);
  const double at = line.cursorToX(36) - line.cursorToX(0);
  const double designed = 18 * QFontMetricsF(box->font()).horizontalAdvance(QChar(0x4E2D));
  EXPECT_NEAR(at, designed, designed / 8) << box->font().family().toStdString();

  // It stays through About and back.
  MenuItem(FormId::Form1, "gyll");
  ClickButton(FormId::frmAbout, "Command3");
  EXPECT_EQ(host.Window(FormId::frmreadme), readme);

  // Closing the main window leaves the program running with the read-me.
  Win(FormId::Form1).close();
  QApplication::processEvents();
  EXPECT_EQ(host.Window(FormId::Form1), nullptr);
  EXPECT_EQ(host.quits, 0);
  readme->close();
  QApplication::processEvents();
  EXPECT_EQ(host.Window(FormId::frmreadme), nullptr);
  EXPECT_EQ(host.quits, 1);
}

TEST_F(QtProgramTest, ReadmeOpensAnewAfterClosing) {
  ASSERT_TRUE(Run([&] { app.Start(); }));
  MenuItem(FormId::Form1, "readme");
  Win(FormId::frmreadme).close();
  QApplication::processEvents();
  EXPECT_EQ(host.Window(FormId::frmreadme), nullptr);
  MenuItem(FormId::Form1, "readme");
  EXPECT_NE(host.Window(FormId::frmreadme), nullptr);
  EXPECT_EQ(host.beeps, 2);
  EXPECT_EQ(host.quits, 0);
}

TEST_F(QtProgramTest, ExitThanksThenEnds) {
  ASSERT_TRUE(Run([&] { app.Start(); }));
  ModalAnswerer answers;
  EXPECT_FALSE(Run([&] { app.Click(FormId::Form1, form1::kCommand3); }));
  ASSERT_EQ(answers.seen.size(), 1u);
  EXPECT_EQ(answers.seen[0].title, QStringLiteral("Thanks"));
  EXPECT_EQ(answers.seen[0].text, QString::fromUtf8("感谢您的支持！"));
}

class SecondInstanceTest : public QtProgramTest {
 protected:
  SecondInstanceTest() : QtProgramTest(true) {}
};

TEST_F(SecondInstanceTest, IsRefusedBeforeItsWindowShows) {
  ModalAnswerer answers;
  EXPECT_FALSE(Run([&] { app.Start(); }));
  ASSERT_EQ(answers.seen.size(), 1u);
  EXPECT_EQ(answers.seen[0].title, QString::fromUtf8("系统提示"));
  EXPECT_EQ(answers.seen[0].text, QString::fromUtf8("本程序不允许运行多次，请关闭后再试。"));
  EXPECT_EQ(answers.seen[0].icon, QMessageBox::Information);
  ASSERT_NE(host.Window(FormId::Form1), nullptr);
  EXPECT_FALSE(host.Window(FormId::Form1)->isVisible());
}

TEST_F(QtProgramTest, FailingCallsThrowWithAChineseMessage) {
  ASSERT_TRUE(Run([&] { app.Start(); }));
  const auto message = [](const std::function<void()>& call) {
    try {
      call();
    } catch (const Error& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(message([&] { host.GetText(FormId::Form1, ControlRef{"Text9"}); }),
            "找不到控件：Text9");
  EXPECT_EQ(message([&] { host.GetText(FormId::frmAbout, ControlRef{"Text1"}); }),
            "窗体未加载：frmAbout");
  EXPECT_NE(message([&] { host.SetMenuEnabled(FormId::Form1, "nothing", true); }), "no error");
  EXPECT_NE(message([&] {
              host.PutBoolProperty(FormId::Form1, {"Command1", 2}, 7, false);
            }),
            "no error");
  EXPECT_NE(
      message([&] { host.PutBoolProperty(FormId::Form1, {"Text1"}, kButtonFlagDispId, false); }),
      "no error");
  EXPECT_NE(message([&] { host.GetSelText(FormId::Form1, {"Command1", 2}); }), "no error");
  EXPECT_NE(message([&] { host.PopupMenu(FormId::Form1, "edit"); }), "no error");
  Win(FormId::Form1).hide();
  EXPECT_NE(message([&] { host.SetFocus(FormId::Form1, {"Text1"}); }), "no error");
}

TEST_F(QtProgramTest, AnUnhandledErrorIsReportedInTheErrorBoxAndEndsTheProgram) {
  ASSERT_TRUE(Run([&] { app.Start(); }));
  // Test on a hidden window: the report is written, but the focus cannot go
  // to it afterwards.
  Win(FormId::Form1).hide();
  ModalAnswerer answers;
  EXPECT_FALSE(Run([&] { app.Click(FormId::Form1, form1::kCommand1); }));
  ASSERT_EQ(answers.seen.size(), 2u);
  EXPECT_EQ(answers.seen[0].title, QString::fromUtf8("^_^"));
  EXPECT_EQ(answers.seen[1].title, Q(kErrorBoxTitle));
  EXPECT_EQ(answers.seen[1].icon, QMessageBox::Critical);
  EXPECT_EQ(answers.seen[1].ok, QString::fromUtf8("确定"));
  EXPECT_TRUE(
      answers.seen[1].text.startsWith(QString::fromUtf8("运行时错误：\n\n无效的过程调用或参数")))
      << answers.seen[1].text.toStdString();
}

TEST_F(QtProgramTest, TheCloseCommandGoesOnlyFromTheLoadedWindowNamed) {
  ASSERT_TRUE(Run([&] { app.Start(); }));
  EXPECT_THROW(windowMenu.RemoveCloseCommand(FormId::frmAbout), Error) << "not loaded";
  EXPECT_TRUE(Win(FormId::Form1).closable());
  windowMenu.RemoveCloseCommand(FormId::Form1);
  EXPECT_FALSE(Win(FormId::Form1).closable());
  EXPECT_FALSE(Win(FormId::Form1).windowFlags() & Qt::WindowCloseButtonHint);
}

}  // namespace
}  // namespace tivrel::qt
