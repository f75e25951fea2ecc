// The platform services outside the window framework, for Qt: the window
// system's Close command and the user's handler for addresses.
#pragma once

#include "framework/ansi_codec.h"
#include "framework/platform_api.h"

namespace tivrel::qt {

class QtHost;

// Drops the close button and the window menu's Close from the title bar; the
// window then ignores the window system's requests to close.
class QtWindowMenu : public WindowMenuApi {
 public:
  explicit QtWindowMenu(QtHost& host) : host_(host) {}
  void RemoveCloseCommand(FormId form) override;

 private:
  QtHost& host_;
};

// The URI, ANSI text, is opened with the user's default handler for its scheme.
class QtShell : public ShellApi {
 public:
  explicit QtShell(const AnsiCodec& ansi) : ansi_(ansi) {}
  void OpenUri(std::string_view ansiUri) override;

 private:
  const AnsiCodec& ansi_;
};

}  // namespace tivrel::qt
