// Tivrel.exe: the process entry hands control to the window framework, which
// loads the start-up window and runs the event loop.
#include <memory>

#include "forms/program.h"
#include "framework/app.h"
#include "framework/error.h"
#include "framework/text.h"
#include "platform/win32/services/services.h"
#include "platform/win32/win32.h"
#include "platform/win32/win32_host.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
  tivrel::win32::LoadDllsFromTheSystemFolderOnly();
  try {
    tivrel::win32::Win32Host host(instance);
    tivrel::win32::WaveOutWinmm waveOut;
    tivrel::win32::User32Dynamic windowMenu(
        [&host](tivrel::FormId form) { return host.Handle(form); });
    tivrel::win32::Shell32Dynamic shell;
    const std::unique_ptr<tivrel::AnsiCodec> ansi = tivrel::MakeSystemAnsiCodec();
    tivrel::App app(host, tivrel::Services{waveOut, windowMenu, shell, *ansi},
                    tivrel::ProgramForms());
    host.SetApp(&app);
    app.Start();
    return host.RunMessageLoop();
  } catch (const std::exception& e) {
    // The framework itself could not come up (no window class, no window):
    // said in the framework's own words, as any other unhandled error.
    const std::u16string text = tivrel::UnhandledErrorText(e.what());
    MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(text.c_str()),
                reinterpret_cast<const wchar_t*>(tivrel::kErrorBoxTitle.data()),
                MB_ICONERROR | MB_OK);
    return 1;
  }
}
