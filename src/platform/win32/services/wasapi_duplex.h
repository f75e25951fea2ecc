// tivrel-loopback's devices on Windows: a waveform output and input named in
// tivrel-report's forms, their Core Audio endpoints opened in exclusive mode
// where they allow it (else shared, with a warning), started together, the
// signal played while the same length is recorded.
#pragma once

#include <functional>

#include "cli/duplex_io.h"
#include "platform/win32/services/report_platform.h"

namespace tivrel::win32 {

class WasapiDuplex final : public DuplexIo {
 public:
  // `stop` ends a run early (Ctrl+C): said as a failure.
  WasapiDuplex(WinReportPlatform& devices, std::function<bool()> stop)
      : devices_(devices), stop_(std::move(stop)) {}
  DuplexOutcome PlayAndCapture(const DuplexRequest& request, std::vector<float>& capture) override;

 private:
  WinReportPlatform& devices_;
  std::function<bool()> stop_;
};

}  // namespace tivrel::win32
