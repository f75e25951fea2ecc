// The Windows services under Wine: binding at first call, the system
// directory as the only source of libraries, and the real answers.
#include "platform/win32/services/services.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "framework/error.h"

namespace tivrel::win32 {
namespace {

std::string ErrorOf(auto&& call) {
  try {
    call();
  } catch (const tivrel::Error& e) {
    return e.what();
  }
  return "(no error)";
}

bool AudioConfigured(const char* mode) {
  const char* value = std::getenv("TIVREL_AUDIO");
  return value != nullptr && std::strcmp(value, mode) == 0;
}

using NumDevsFn = UINT(WINAPI*)();

// Runs first in this file: nothing in the test program imports winmm.
TEST(LazyBinding, WinmmIsLoadedByTheFirstCallNotBefore) {
  ASSERT_EQ(GetModuleHandleW(L"winmm.dll"), nullptr)
      << "winmm already loaded; the check means nothing";
  WaveOutWinmm waveOut;
  EXPECT_FALSE(waveOut.library().loaded());
  EXPECT_EQ(GetModuleHandleW(L"winmm.dll"), nullptr);

  waveOut.waveOutGetNumDevs();
  EXPECT_TRUE(waveOut.library().loaded());
  EXPECT_NE(GetModuleHandleW(L"winmm.dll"), nullptr);
}

TEST(LazyBinding, EachFunctionIsLookedUpOnceAtItsOwnFirstCall) {
  LazyLibrary winmm("Winmm.dll");
  LazyProc<NumDevsFn> numDevs(winmm, "waveOutGetNumDevs");
  LazyProc<UINT(WINAPI*)(UINT_PTR, void*, UINT)> devCaps(winmm, "waveOutGetDevCapsA");
  EXPECT_FALSE(numDevs.bound());
  EXPECT_EQ(winmm.lookups(), 0u);

  const UINT first = numDevs();
  EXPECT_TRUE(numDevs.bound());
  EXPECT_FALSE(devCaps.bound()) << "bound before its own first call";
  EXPECT_EQ(winmm.lookups(), 1u);

  EXPECT_EQ(numDevs(), first);
  EXPECT_EQ(numDevs(), first);
  EXPECT_EQ(winmm.lookups(), 1u) << "the address found must be reused";

  const FARPROC real = GetProcAddress(GetModuleHandleW(L"winmm.dll"), "waveOutGetNumDevs");
  EXPECT_EQ(reinterpret_cast<void*>(numDevs.get()), reinterpret_cast<void*>(real));
}

TEST(LazyBinding, AMissingFunctionFailsItsCallNamingLibraryAndFunction) {
  LazyLibrary winmm("Winmm.dll");
  LazyProc<NumDevsFn> missing(winmm, "noSuchFunction");
  const std::string message = ErrorOf([&] { missing(); });
  EXPECT_NE(message.find("Winmm.dll"), std::string::npos) << message;
  EXPECT_NE(message.find("noSuchFunction"), std::string::npos) << message;
  EXPECT_FALSE(missing.bound());
  // Still failing, not a stale null address, on the next call.
  EXPECT_THROW(missing(), tivrel::Error);

  // The library itself is fine: its other functions still bind.
  LazyProc<NumDevsFn> present(winmm, "waveOutGetNumDevs");
  EXPECT_NO_THROW(present());
}

TEST(LazyBinding, AMissingLibraryFailsTheCallNotTheConstruction) {
  WaveOutWinmm waveOut("tivrelNoSuchLibrary.dll");
  const std::string message = ErrorOf([&] { waveOut.waveOutGetNumDevs(); });
  EXPECT_NE(message.find("tivrelNoSuchLibrary.dll"), std::string::npos) << message;
  EXPECT_FALSE(waveOut.library().loaded());

  User32Dynamic user32([](FormId) { return HWND{}; }, "tivrelNoSuchUser32");
  EXPECT_THROW(user32.RemoveCloseCommand(FormId::frmAbout), tivrel::Error);
  Shell32Dynamic shell32("tivrelNoSuchShell32.dll");
  EXPECT_THROW(shell32.OpenUri("x"), tivrel::Error);
}

// tivrel_planted.dll lies beside this program, which is also its working
// directory under ctest: the ordinary search would find it there.
TEST(SystemDirectoryOnly, ALibraryBesideTheProgramIsNeverLoaded) {
  HMODULE ordinary = LoadLibraryW(L"tivrel_planted.dll");
  ASSERT_NE(ordinary, nullptr) << "the planted library is missing; the check means nothing";
  FreeLibrary(ordinary);

  WaveOutWinmm planted("tivrel_planted.dll");
  EXPECT_THROW(planted.waveOutGetNumDevs(), tivrel::Error);
  EXPECT_FALSE(planted.library().loaded());
}

TEST(SystemDirectoryOnly, TheFallbackPathNamesTheSystemDirectory) {
  wchar_t dir[MAX_PATH];
  const UINT n = GetSystemDirectoryW(dir, MAX_PATH);
  ASSERT_GT(n, 0u);
  const std::wstring system(dir, n);
  EXPECT_EQ(SystemLibraryPath("user32"), system + L"\\user32.dll");
  EXPECT_EQ(SystemLibraryPath("Winmm.dll"), system + L"\\Winmm.dll");
  // A full path loads: the fallback works where the search flags do not.
  HMODULE module = LoadLibraryExW(SystemLibraryPath("Winmm.dll").c_str(), nullptr, 0);
  EXPECT_NE(module, nullptr);
  if (module != nullptr) FreeLibrary(module);
}

TEST(WaveOutWinmmReal, CountAndDevice0Capabilities) {
  WaveOutWinmm waveOut;
  const UINT count = waveOut.waveOutGetNumDevs();
  EXPECT_LT(count, 1000u);
  if (AudioConfigured("none")) {
    EXPECT_EQ(count, 0u);
  }
  if (AudioConfigured("null")) {
    EXPECT_GE(count, 1u);
  }
  if (count == 0) return;

  // The 52-byte image with the size 50: the platform must leave the last two
  // bytes (the top of dwSupport) alone.
  unsigned char image[52];
  std::memset(image, 0xAB, sizeof image);
  ASSERT_EQ(waveOut.waveOutGetDevCapsA(0, image, 50), 0u);
  EXPECT_EQ(image[50], 0xAB);
  EXPECT_EQ(image[51], 0xAB);
  EXPECT_NE(std::memchr(image + 8, 0, 32), nullptr) << "name not ended within its 32 bytes";
  uint16_t channels = 0;
  std::memcpy(&channels, image + 44, 2);
  EXPECT_GE(channels, 1u);

  // A device that does not exist answers with an error code, not a crash.
  std::memset(image, 0, sizeof image);
  EXPECT_NE(waveOut.waveOutGetDevCapsA(count + 5, image, 50), 0u);
}

// The two user32 functions' arguments as they go out, passed on to the real ones.
struct SeenUser32 : User32Dynamic {
  using User32Dynamic::User32Dynamic;
  HWND window = nullptr;
  BOOL revert = -1;
  HMENU menuFound = nullptr, menuGiven = nullptr;
  UINT position = 0, flags = 0;
  HMENU GetSystemMenu(HWND w, BOOL r) override {
    window = w;
    revert = r;
    return menuFound = User32Dynamic::GetSystemMenu(w, r);
  }
  BOOL RemoveMenu(HMENU m, UINT p, UINT f) override {
    menuGiven = m;
    position = p;
    flags = f;
    return User32Dynamic::RemoveMenu(m, p, f);
  }
};

TEST(User32DynamicReal, RemovesCloseFromTheNamedWindowsMenu) {
  HWND window = CreateWindowExW(0, L"STATIC", L"tivrel", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 0,
                                0, 100, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  std::vector<FormId> asked;
  SeenUser32 user32([&](FormId form) {
    asked.push_back(form);
    return window;
  });
  EXPECT_EQ(user32.library().lookups(), 0u) << "bound before the first call";
  ASSERT_NE(GetMenuState(::GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND), 0xFFFFFFFFu);

  user32.RemoveCloseCommand(FormId::frmAbout);
  EXPECT_EQ(asked, std::vector<FormId>{FormId::frmAbout});
  EXPECT_EQ(user32.window, window);
  EXPECT_EQ(user32.revert, FALSE);
  ASSERT_NE(user32.menuFound, nullptr);
  EXPECT_EQ(user32.menuGiven, user32.menuFound);
  EXPECT_EQ(user32.position, 0xF060u) << "SC_CLOSE";
  EXPECT_EQ(user32.flags, 0x1000u) << "MF_REMOVE; by command, not by position";
  EXPECT_EQ(GetMenuState(user32.menuFound, SC_CLOSE, MF_BYCOMMAND), 0xFFFFFFFFu);
  EXPECT_EQ(user32.library().lookups(), 2u);
  // Removed once already: the second call's failure is not looked at, and
  // the addresses found are reused.
  EXPECT_NO_THROW(user32.RemoveCloseCommand(FormId::frmAbout));
  EXPECT_EQ(user32.library().lookups(), 2u);
  DestroyWindow(window);
}

struct SeenShell32 : Shell32Dynamic {
  using Shell32Dynamic::Shell32Dynamic;
  int calls = 0;
  HWND window = HWND(1);
  bool nullOperation = false, nullParameters = false, nullDirectory = false;
  std::string file;
  INT show = -1;
  HINSTANCE ShellExecuteA(HWND w, LPCSTR operation, LPCSTR f, LPCSTR parameters, LPCSTR directory,
                          INT s) override {
    ++calls;
    window = w;
    nullOperation = operation == nullptr;
    file = f ? f : "(null)";
    nullParameters = parameters == nullptr;
    nullDirectory = directory == nullptr;
    show = s;
    return Shell32Dynamic::ShellExecuteA(w, operation, f, parameters, directory, s);
  }
};

TEST(Shell32DynamicReal, OpensTheUriWithNothingElseSaid) {
  const bool loadedBefore = GetModuleHandleW(L"shell32.dll") != nullptr;
  SeenShell32 shell32;
  if (!loadedBefore) {
    EXPECT_EQ(GetModuleHandleW(L"shell32.dll"), nullptr) << "loaded before the first call";
  }
  // A file that does not exist: the shell answers "not found", opens nothing,
  // and the answer is not looked at.
  EXPECT_NO_THROW(shell32.OpenUri("Z:\\tivrel\\no\\such\\file.tivrel"));
  EXPECT_EQ(shell32.calls, 1);
  EXPECT_EQ(shell32.window, nullptr);
  EXPECT_TRUE(shell32.nullOperation);
  EXPECT_EQ(shell32.file, "Z:\\tivrel\\no\\such\\file.tivrel");
  EXPECT_TRUE(shell32.nullParameters);
  EXPECT_TRUE(shell32.nullDirectory);
  EXPECT_EQ(shell32.show, 0) << "SW_HIDE";
  EXPECT_TRUE(shell32.library().loaded());
  EXPECT_NE(GetModuleHandleW(L"shell32.dll"), nullptr);
  if (loadedBefore) GTEST_SKIP() << "shell32 was loaded already: the first-call check did not run";
}

}  // namespace
}  // namespace tivrel::win32
