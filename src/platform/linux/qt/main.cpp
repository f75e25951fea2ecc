// tivrel: the program on Qt 6 Widgets. The core does everything; this file
// only wires the platform's parts together and runs the event loop.
#include <QApplication>
#include <QWindow>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cli/program_options.h"
#include "forms/program.h"
#include "framework/app.h"
#include "platform/linux/alsa/wave_out.h"
#include "platform/linux/qt/instance_lock.h"
#include "platform/linux/qt/look.h"
#include "platform/linux/qt/qt_host.h"
#include "platform/linux/qt/qt_services.h"

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

// No window system could be reached (sysexits' EX_UNAVAILABLE).
constexpr int kExitNoDisplay = 69;

QtMessageHandler qtHandler = nullptr;

// While the application is made, Qt ends the program with abort() (a core
// dump on many systems) when no platform plugin starts: no display, or one
// that does not answer. Then the program says so and ends with its own status.
void EndWithoutDisplay(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtFatalMsg) {
    if (qtHandler) qtHandler(type, context, message);
    return;
  }
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const std::string where =
      display && *display ? std::string("the display '") + display + "' could not be opened"
      : wayland && *wayland
          ? std::string("the display '") + wayland + "' could not be opened"
          : std::string("no display (neither DISPLAY nor WAYLAND_DISPLAY is set)");
  std::fprintf(stderr, "tivrel: %s: the window cannot be shown\n", where.c_str());
  std::fflush(stderr);
  std::_Exit(kExitNoDisplay);
}

// The answer of --help or --version, written; 74 with a word when it could
// not be (a full disk, a closed standard output).
int Answer(const tivrel::ProgramCommandLine& line) {
  std::fputs(line.err.c_str(), stderr);
  errno = 0;
  std::fputs(line.out.c_str(), stdout);
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return line.status;
  std::fprintf(stderr, "tivrel: the answer could not be written: %s\n",
               std::strerror(errno ? errno : EIO));
  return tivrel::kProgramExitOutput;
}

}  // namespace

int main(int argc, char** argv) {
  // --help and --version answer without a display; no window system is
  // asked before the command line is read.
  const tivrel::ProgramCommandLine line =
      tivrel::ReadProgramCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (!line.start) return Answer(line);

  // Taken first and held until the process is gone; it reads nothing of
  // the environment.
  tivrel::qt::InstanceLock lock;

  qtHandler = qInstallMessageHandler(EndWithoutDisplay);
  QApplication qapp(argc, argv);
  qInstallMessageHandler(qtHandler);
  // The core decides when the last window has gone.
  qapp.setQuitOnLastWindowClosed(false);
  QGuiApplication::setDesktopFileName(QStringLiteral("tivrel"));
  QApplication::setApplicationName(QStringLiteral("tivrel"));
  // The whole interface is Chinese, whatever the user's locale: Qt's own
  // texts (the dialogs' buttons) too.
  tivrel::qt::UseChineseInterface(qapp);

  std::unique_ptr<ExitWhenShown> exitWhenShown;
  if (std::getenv("TIVREL_EXIT_WHEN_SHOWN")) {
    exitWhenShown = std::make_unique<ExitWhenShown>();
    qapp.installEventFilter(exitWhenShown.get());
  }

  // Card names whole even under the C locale.
  const std::unique_ptr<tivrel::AnsiCodec> ansi = tivrel::alsa::MakeRecordCodec();
  tivrel::qt::QtHost host([&lock] { return lock.AnotherRunning(); });
  // The same test seam as tivrel-report; unset, the real system is read.
  tivrel::alsa::AlsaWaveOut waveOut(*ansi, tivrel::alsa::OptionsFromEnvironment());
  tivrel::qt::QtWindowMenu windowMenu(host);
  tivrel::qt::QtShell shell(*ansi);
  tivrel::App app(host, tivrel::Services{waveOut, windowMenu, shell, *ansi},
                  tivrel::ProgramForms());
  host.SetApp(&app);

  app.Start();
  return qapp.exec();
}
