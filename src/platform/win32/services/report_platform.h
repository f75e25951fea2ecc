// tivrel-report's view of Windows audio: the waveform devices of either
// direction by number, the matrix that waveOutOpen (waveInOpen) accepts with
// WAVE_FORMAT_QUERY, and each device's Core Audio endpoint.
#pragma once

#include <windows.h>
// After windows.h, which they build on.
#include <mmreg.h>
#include <mmsystem.h>

#include "platform/win32/services/core_audio.h"
#include "platform/win32/services/services.h"
#include "probe/report_platform.h"

namespace tivrel::win32 {

// Waveform input devices in the capability query's shape: the 48-byte
// WAVEINCAPSA is the output record without its support flags, which stay 0.
class WaveInWinmm final : public WaveOutApi {
 public:
  explicit WaveInWinmm(LazyLibrary& winmm)
      : getNumDevs_(winmm, "waveInGetNumDevs"), getDevCaps_(winmm, "waveInGetDevCapsA") {}
  uint32_t waveOutGetNumDevs() override { return getNumDevs_(); }
  uint32_t waveOutGetDevCapsA(uintptr_t deviceId, void* caps, uint32_t size) override;

 private:
  LazyProc<UINT(WINAPI*)()> getNumDevs_;
  LazyProc<UINT(WINAPI*)(UINT_PTR, void*, UINT)> getDevCaps_;
};

class WinReportPlatform final : public ReportPlatform {
 public:
  // The further Winmm functions come from the same library as `waveOut`'s,
  // each bound at its first call; Core Audio is bound at the first endpoint.
  WinReportPlatform(WaveOutWinmm& waveOut, const AnsiCodec& ansi);

  void SetDirection(Direction direction) override { direction_ = direction; }
  bool LinesEndWithCrLf() const override { return true; }
  WaveOutApi& waveOut() override;
  const AnsiCodec& ansi() override { return ansi_; }
  std::vector<DeviceListing> ListDevices() override;
  uint32_t ProbeMatrix(uint32_t device, int channels, FormatMatrix& matrix,
                       std::string& systemText) override;
  std::string SystemText(uint32_t result) override;
  // Since Windows Vista waveform audio goes through the shared-mode mixer.
  bool MatrixIsTheMixers() const override { return true; }
  std::optional<Endpoint> DeviceEndpoint(uint32_t device, int matrixChannels) override;

  const CoreAudio& coreAudio() const { return coreAudio_; }

 private:
  bool input() const { return direction_ == Direction::kCapture; }
  // The endpoint id that waveform audio gives for `device`; empty without one.
  std::wstring EndpointId(uint32_t device);

  using OpenFn = UINT(WINAPI*)(void*, UINT, const WAVEFORMATEX*, DWORD_PTR, DWORD_PTR, DWORD);
  // WAVEOUTCAPSW and WAVEINCAPSW alike, as far as the name.
  using CapsWFn = UINT(WINAPI*)(UINT_PTR, void*, UINT);
  using ErrorTextFn = UINT(WINAPI*)(UINT, wchar_t*, UINT);
  using MessageFn = UINT(WINAPI*)(void*, UINT, DWORD_PTR, DWORD_PTR);

  WaveOutWinmm& waveOut_;
  WaveInWinmm waveIn_;
  Direction direction_ = Direction::kPlayback;
  const AnsiCodec& ansi_;
  LazyProc<OpenFn> outOpen_, inOpen_;
  LazyProc<CapsWFn> outCapsW_, inCapsW_;
  LazyProc<ErrorTextFn> errorText_;
  LazyProc<MessageFn> outMessage_, inMessage_;
  CoreAudio coreAudio_;
};

}  // namespace tivrel::win32
