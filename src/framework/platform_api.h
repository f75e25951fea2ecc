// The platform functions that the handlers call outside the window framework,
// in the shapes of the Windows functions. Windows binds them by library and
// function name at first call; other platforms supply equivalents. A missing
// library or function throws tivrel::Error from the call.
#pragma once

#include <cstdint>

namespace tivrel {

// "Winmm.dll"
class WaveOutApi {
 public:
  virtual ~WaveOutApi() = default;
  virtual uint32_t waveOutGetNumDevs() = 0;
  // caps points at the 52-byte ANSI image; size is what the platform may write.
  virtual uint32_t waveOutGetDevCapsA(uintptr_t deviceId, void* caps, uint32_t size) = 0;
};

// "user32"
class User32Api {
 public:
  virtual ~User32Api() = default;
  virtual uintptr_t GetSystemMenu(uintptr_t window, int32_t revert) = 0;
  virtual int32_t RemoveMenu(uintptr_t menu, uint32_t position, uint32_t flags) = 0;
};

// "shell32.dll"
class Shell32Api {
 public:
  virtual ~Shell32Api() = default;
  virtual intptr_t ShellExecuteA(uintptr_t window, const char* operation, const char* file,
                                 const char* parameters, const char* directory, int32_t show) = 0;
};

inline constexpr uint32_t kScClose = 0xF060;
inline constexpr uint32_t kMfRemove = 0x1000;
inline constexpr int32_t kSwHide = 0;

}  // namespace tivrel

namespace tivrel {

// The waveform-audio result codes that the services return.
inline constexpr uint32_t kMmSysErrNoError = 0;
inline constexpr uint32_t kMmSysErrError = 1;
inline constexpr uint32_t kMmSysErrBadDeviceId = 2;
inline constexpr uint32_t kMmSysErrAllocated = 4;
inline constexpr uint32_t kMmSysErrNoDriver = 6;
inline constexpr uint32_t kMmSysErrNoMem = 7;

}  // namespace tivrel
