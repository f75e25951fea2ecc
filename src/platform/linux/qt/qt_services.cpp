#include "platform/linux/qt/qt_services.h"

#include <QDesktopServices>
#include <QUrl>

#include "platform/linux/qt/look.h"
#include "platform/linux/qt/qt_host.h"

namespace tivrel::qt {

namespace {
// The window menu's token is the window's handle with the low bit set.
constexpr uintptr_t kMenuTag = 1;
// ShellExecute's answers: above 32 is success.
constexpr intptr_t kShellOk = 42;
constexpr intptr_t kShellFileNotFound = 2;
constexpr intptr_t kShellNoAssociation = 31;
constexpr uint32_t kMfByPosition = 0x400;
}  // namespace

uintptr_t QtUser32::GetSystemMenu(uintptr_t window, int32_t /*revert*/) {
  return host_.WindowByHandle(window) ? (window | kMenuTag) : 0;
}

int32_t QtUser32::RemoveMenu(uintptr_t menu, uint32_t position, uint32_t flags) {
  if (!(menu & kMenuTag)) return 0;
  FormWindow* window = host_.WindowByHandle(menu & ~kMenuTag);
  if (!window || (flags & kMfByPosition) || position != kScClose) return 0;
  window->RemoveCloseCommand();
  return 1;
}

intptr_t QtShell32::ShellExecuteA(uintptr_t, const char*, const char* file, const char*,
                                  const char*, int32_t) {
  if (!file) return kShellFileNotFound;
  const QUrl url(ToQString(ansi_.Decode(file)), QUrl::TolerantMode);
  if (!url.isValid()) return kShellFileNotFound;
  return QDesktopServices::openUrl(url) ? kShellOk : kShellNoAssociation;
}

}  // namespace tivrel::qt
