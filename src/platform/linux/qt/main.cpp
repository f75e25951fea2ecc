// tivrel: the program on Qt 6 Widgets. The core does everything; this file
// only wires the platform's parts together and runs the event loop.
#include <QApplication>
#include <QWindow>
#include <cstdlib>
#include <memory>

#include "framework/app.h"
#include "platform/linux/qt/instance_lock.h"
#include "platform/linux/qt/qt_host.h"
#include "platform/linux/qt/qt_services.h"
#include "program.h"

#ifdef TIVREL_HAVE_ALSA
#include "platform/linux/alsa/alsa_waveout.h"
#endif

namespace {

// TIVREL_EXIT_WHEN_SHOWN: end as soon as the first window is on screen, so
// that start-up can be timed from outside.
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
  // Taken first and held until the process is gone.
  tivrel::qt::InstanceLock lock;

  QApplication qapp(argc, argv);
  // The core decides when the last window has gone.
  qapp.setQuitOnLastWindowClosed(false);
  QGuiApplication::setDesktopFileName(QStringLiteral("tivrel"));
  QApplication::setApplicationName(QStringLiteral("tivrel"));

  std::unique_ptr<ExitWhenShown> exitWhenShown;
  if (std::getenv("TIVREL_EXIT_WHEN_SHOWN")) {
    exitWhenShown = std::make_unique<ExitWhenShown>();
    qapp.installEventFilter(exitWhenShown.get());
  }

#ifdef TIVREL_HAVE_ALSA
  // Card names whole even under the C locale.
  const std::unique_ptr<tivrel::AnsiCodec> ansi = tivrel::alsa::MakeRecordCodec();
#else
  const std::unique_ptr<tivrel::AnsiCodec> ansi = tivrel::MakeSystemAnsiCodec();
#endif
  tivrel::qt::QtHost host([&lock] { return lock.AnotherRunning(); });
#ifdef TIVREL_HAVE_ALSA
  // The same test seam as tivrel-report; unset, the real system is read.
  tivrel::alsa::AlsaWaveOut waveOut(*ansi, tivrel::alsa::OptionsFromEnvironment());
#else
  tivrel::qt::NoWaveOut waveOut;
#endif
  tivrel::qt::QtUser32 user32(host);
  tivrel::qt::QtShell32 shell32(*ansi);
  tivrel::App app(host, tivrel::Services{waveOut, user32, shell32, *ansi}, tivrel::ProgramForms());
  host.SetApp(&app);

  app.Start();
  return qapp.exec();
}
