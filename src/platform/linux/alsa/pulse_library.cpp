#include "platform/linux/alsa/pulse_library.h"

#include <dlfcn.h>

#include <optional>

namespace tivrel::alsa {

const Pulse* BoundPulse() {
  static const std::optional<Pulse> pulse = []() -> std::optional<Pulse> {
    void* library = ::dlopen("libpulse.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!library) return std::nullopt;
    Pulse p;
    bool complete = true;
#define TIVREL_PULSE_BIND(name)                                         \
  p.name = reinterpret_cast<decltype(p.name)>(::dlsym(library, #name)); \
  complete = complete && p.name;
    TIVREL_PULSE_CALLS(TIVREL_PULSE_BIND)
#undef TIVREL_PULSE_BIND
    if (!complete) {
      ::dlclose(library);
      return std::nullopt;
    }
    return p;
  }();
  return pulse ? &*pulse : nullptr;
}

}  // namespace tivrel::alsa
