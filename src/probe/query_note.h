// What an audio service can tell about a capability query beyond the result
// code, in the same answer: who holds a busy device, a permission or
// parameter refusal, the system's own words, where the values came from when
// they were read rather than measured (and what those files say it takes),
// and what the device takes when none of the standard formats is among it.
// Optional: a service without it gives codes only.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "probe/format_matrix.h"

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
  // Files the values were read from instead of asking the device (in use).
  std::vector<std::string> sources;
  // What the device in use plays now, as far as the system tells.
  struct Playing {
    std::string format;  // "S16_LE"
    unsigned channels = 0;
    unsigned rate = 0;
    bool operator==(const Playing&) const = default;
  };
  std::optional<Playing> playing;
  // The device's own formats, when it takes none of the standard ones.
  std::optional<FormatMatrix> native;
  // With `sources`: the combinations that those files say the device takes,
  // so that its matrix is made from the same reading.
  CombinationTest described;
};

}  // namespace tivrel
