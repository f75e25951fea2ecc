#include "platform/linux/qt/qt_services.h"

#include <QDesktopServices>
#include <QUrl>

#include "framework/error.h"
#include "platform/linux/qt/look.h"
#include "platform/linux/qt/qt_host.h"

namespace tivrel::qt {

void QtWindowMenu::RemoveCloseCommand(FormId form) {
  FormWindow* window = host_.Window(form);
  if (!window) throw Error(std::string("窗体未加载：") + FormName(form));
  window->RemoveCloseCommand();
}

void QtShell::OpenUri(std::string_view ansiUri) {
  const QUrl url(ToQString(ansi_.Decode(ansiUri)), QUrl::TolerantMode);
  // No handler for the scheme is no error: the answer is not looked at.
  if (url.isValid()) (void)QDesktopServices::openUrl(url);
}

}  // namespace tivrel::qt
