// tivrel-loopback's devices on ALSA: an output and an input opened for
// themselves alone (hw:C,D unless the user names another PCM), started
// together, the signal played while the same length is recorded.
#pragma once

#include "cli/duplex_io.h"
#include "platform/linux/alsa/wave_out.h"

namespace tivrel::alsa {

class AlsaDuplex final : public DuplexIo {
 public:
  explicit AlsaDuplex(AlsaOptions options) : options_(std::move(options)) {}
  DuplexOutcome PlayAndCapture(const DuplexRequest& request, std::vector<float>& capture) override;

 private:
  AlsaOptions options_;
};

}  // namespace tivrel::alsa
