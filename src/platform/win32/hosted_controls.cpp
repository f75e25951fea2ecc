#include "platform/win32/hosted_controls.h"

namespace tivrel::win32 {

void RegisterHostedControls(HINSTANCE module) {
  RegisterButtonClass(module);
  RegisterMovingTextClass(module);
}

}  // namespace tivrel::win32
