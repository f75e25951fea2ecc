// What an audio service can tell about its last capability query beyond the
// result code: who holds a busy device, a permission or parameter refusal,
// the system's own words, or where the values came from when they were read
// rather than measured. Optional: a service without it gives codes only.
#pragma once

#include <string>

namespace tivrel {

struct QueryNote {
  enum class Cause {
    kNone,            // nothing beyond the result code
    kPermission,      // the user may not open the device
    kHardwareParams,  // the device opened but refused every hardware parameter
  };
  Cause cause = Cause::kNone;
  std::string device;      // how the system names the device, e.g. "hw:1,0"
  std::string holder;      // command name of the program holding a busy device
  std::string systemText;  // the system's own error text
  std::string source;      // file the formats were read from instead of the device
};

// Implemented beside WaveOutApi by services that can say more.
class QueryNoteSource {
 public:
  virtual ~QueryNoteSource() = default;
  // About the latest waveOutGetDevCapsA; empty after a query that said nothing.
  virtual QueryNote LastQueryNote() const = 0;
};

}  // namespace tivrel
