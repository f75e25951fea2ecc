// One Qt Widgets window with a line of text: what any Qt program costs to
// start. Ends when the window is on screen if TIVREL_EXIT_WHEN_SHOWN is set,
// exactly as tivrel does, so that both are timed the same way.
#include <QApplication>
#include <QLabel>
#include <QWindow>
#include <cstdlib>

namespace {

class ExitWhenShown : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Expose) {
      auto* window = qobject_cast<QWindow*>(watched);
      if (window && window->isExposed()) {
        QMetaObject::invokeMethod(
            qApp, [] { std::_Exit(0); }, Qt::QueuedConnection);
      }
    }
    return false;
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ExitWhenShown exitWhenShown;
  if (std::getenv("TIVREL_EXIT_WHEN_SHOWN")) app.installEventFilter(&exitWhenShown);
  QLabel window(QStringLiteral("Qt"));
  window.resize(312, 356);
  window.show();
  return app.exec();
}
