// The platform services that the handlers call outside the window framework,
// in the program's own terms. Each is bound at its first call, not at start-up:
// a missing library or function throws tivrel::Error from that call, into the
// handler that made it.
#pragma once

#include <cstdint>
#include <string_view>

#include "framework/design.h"

namespace tivrel {

// What a service can tell of a query beyond its result code (probe/query_note.h).
struct QueryNote;

// Waveform audio: the record's real boundary, so it keeps the platform's shape.
class WaveOutApi {
 public:
  virtual ~WaveOutApi() = default;
  virtual uint32_t waveOutGetNumDevs() = 0;
  // caps points at the 52-byte ANSI image; size is what the platform may write.
  virtual uint32_t waveOutGetDevCapsA(uintptr_t deviceId, void* caps, uint32_t size) = 0;
  // The same query, answered whole by one call: a service that can say more
  // than the result code (who holds a busy device, where the values were read
  // from) writes it into `note`, which the caller gives empty. The others
  // keep this, which is the waveform call alone.
  virtual uint32_t QueryDevCaps(uintptr_t deviceId, void* caps, uint32_t size,
                                QueryNote& /*note*/) {
    return waveOutGetDevCapsA(deviceId, caps, size);
  }
};

// The window system's commands of a realised window.
class WindowMenuApi {
 public:
  virtual ~WindowMenuApi() = default;
  // Takes the Close command away: the window system offers no way to close
  // the window any more. What the system answers is not looked at.
  virtual void RemoveCloseCommand(FormId form) = 0;
};

// The user's handlers for documents and addresses.
class ShellApi {
 public:
  virtual ~ShellApi() = default;
  // Asks the user's handler to open the URI (ANSI text), showing nothing of
  // our own. Whatever the shell answers is not looked at.
  virtual void OpenUri(std::string_view ansiUri) = 0;
};

// The waveform-audio result codes that the services return.
inline constexpr uint32_t kMmSysErrNoError = 0;
inline constexpr uint32_t kMmSysErrError = 1;
inline constexpr uint32_t kMmSysErrBadDeviceId = 2;
inline constexpr uint32_t kMmSysErrAllocated = 4;
inline constexpr uint32_t kMmSysErrNoDriver = 6;
inline constexpr uint32_t kMmSysErrNoMem = 7;

}  // namespace tivrel
