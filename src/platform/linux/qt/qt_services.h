// The platform functions outside the window framework, for Qt: the window
// menu (user32) and the shell (shell32); and a wave-out service with no
// devices for builds without ALSA.
#pragma once

#include "framework/ansi_codec.h"
#include "framework/platform_api.h"

namespace tivrel::qt {

class QtHost;

// GetSystemMenu gives a token for a realised window; RemoveMenu of the close
// command on that token leaves the window without any close command.
class QtUser32 : public User32Api {
 public:
  explicit QtUser32(QtHost& host) : host_(host) {}
  uintptr_t GetSystemMenu(uintptr_t window, int32_t revert) override;
  int32_t RemoveMenu(uintptr_t menu, uint32_t position, uint32_t flags) override;

 private:
  QtHost& host_;
};

// ShellExecuteA: the file is ANSI text; it is opened as a URL with the
// user's default handler. The show command means nothing here.
class QtShell32 : public Shell32Api {
 public:
  explicit QtShell32(const AnsiCodec& ansi) : ansi_(ansi) {}
  intptr_t ShellExecuteA(uintptr_t window, const char* operation, const char* file,
                         const char* parameters, const char* directory, int32_t show) override;

 private:
  const AnsiCodec& ansi_;
};

class NoWaveOut : public WaveOutApi {
 public:
  uint32_t waveOutGetNumDevs() override { return 0; }
  uint32_t waveOutGetDevCapsA(uintptr_t, void*, uint32_t) override { return kMmSysErrBadDeviceId; }
};

}  // namespace tivrel::qt
