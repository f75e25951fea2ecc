// tivrel-report's view of Windows waveform audio: the devices by number, and
// the native format matrix asked of waveOutOpen with WAVE_FORMAT_QUERY.
#pragma once

#include <windows.h>
// After windows.h, which they build on.
#include <mmreg.h>
#include <mmsystem.h>

#include "cli/device_report.h"
#include "platform/win32/services/services.h"

namespace tivrel::win32 {

// The format that waveOutOpen is asked about for one combination: the
// extensible form, PCM or IEEE float, with the usual speaker layout.
WAVEFORMATEXTENSIBLE ExtensibleFormat(SampleFormat format, unsigned channels, uint32_t rate);

class WinReportPlatform final : public ReportPlatform {
 public:
  // The further Winmm functions come from the same library as `waveOut`'s,
  // each bound at its first call.
  WinReportPlatform(WaveOutWinmm& waveOut, const AnsiCodec& ansi);

  void SetDirection(Direction direction) override { direction_ = direction; }
  bool LinesEndWithCrLf() const override { return true; }
  WaveOutApi& waveOut() override { return waveOut_; }
  const AnsiCodec& ansi() override { return ansi_; }
  std::vector<DeviceListing> ListDevices() override;
  uint32_t ProbeMatrix(uint32_t device, int channels, FormatMatrix& matrix) override;
  std::string SystemText(uint32_t result) override;

 private:
  using OpenFn = UINT(WINAPI*)(HWAVEOUT*, UINT, const WAVEFORMATEX*, DWORD_PTR, DWORD_PTR, DWORD);
  using CapsWFn = UINT(WINAPI*)(UINT_PTR, WAVEOUTCAPSW*, UINT);
  using ErrorTextFn = UINT(WINAPI*)(UINT, wchar_t*, UINT);

  WaveOutWinmm& waveOut_;
  Direction direction_ = Direction::kPlayback;
  const AnsiCodec& ansi_;
  LazyProc<OpenFn> open_;
  LazyProc<CapsWFn> capsW_;
  LazyProc<ErrorTextFn> errorText_;
};

}  // namespace tivrel::win32
