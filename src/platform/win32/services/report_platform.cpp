#include "platform/win32/services/report_platform.h"

#include "platform/win32/services/utf8.h"
#include "platform/win32/services/wave_format.h"

namespace tivrel::win32 {

uint32_t WaveInWinmm::waveOutGetDevCapsA(uintptr_t deviceId, void* caps, uint32_t size) {
  const auto record = static_cast<uint32_t>(sizeof(WAVEINCAPSA));
  return getDevCaps_(static_cast<UINT_PTR>(deviceId), caps, size < record ? size : record);
}

WinReportPlatform::WinReportPlatform(WaveOutWinmm& waveOut, const AnsiCodec& ansi)
    : waveOut_(waveOut),
      waveIn_(waveOut.library()),
      ansi_(ansi),
      outOpen_(waveOut.library(), "waveOutOpen"),
      inOpen_(waveOut.library(), "waveInOpen"),
      outCapsW_(waveOut.library(), "waveOutGetDevCapsW"),
      inCapsW_(waveOut.library(), "waveInGetDevCapsW"),
      errorText_(waveOut.library(), "waveOutGetErrorTextW"),
      outMessage_(waveOut.library(), "waveOutMessage"),
      inMessage_(waveOut.library(), "waveInMessage") {}

WaveOutApi& WinReportPlatform::waveOut() {
  if (input()) return waveIn_;
  return waveOut_;
}

std::vector<DeviceListing> WinReportPlatform::ListDevices() {
  std::vector<DeviceListing> list;
  const auto count = static_cast<int32_t>(waveOut().waveOutGetNumDevs());
  for (int32_t n = 0; n < count; ++n) {
    DeviceListing l{.direction = direction_};
    l.location.waveDevice = n;
    // The Unicode record: the name whatever the ANSI code page can hold.
    // WAVEINCAPSW is WAVEOUTCAPSW without its support flags.
    WAVEOUTCAPSW caps{};
    const UINT size = input() ? sizeof(WAVEINCAPSW) : sizeof caps;
    if ((input() ? inCapsW_ : outCapsW_)(static_cast<UINT_PTR>(n), &caps, size) ==
        MMSYSERR_NOERROR) {
      l.name = Utf8({caps.szPname, wcsnlen(caps.szPname, MAXPNAMELEN)});
    }
    list.push_back(std::move(l));
  }
  return list;
}

uint32_t WinReportPlatform::ProbeMatrix(uint32_t device, int channels, FormatMatrix& matrix,
                                        std::string& /*systemText*/) {
  uint32_t failure = MMSYSERR_NOERROR;
  LazyProc<OpenFn>& open = input() ? inOpen_ : outOpen_;
  matrix = ProbeFormatMatrix(channels, [&](SampleFormat f, unsigned ch, uint32_t rate) {
    if (failure != MMSYSERR_NOERROR) return false;
    const WAVEFORMATEXTENSIBLE wfx = ExtensibleFormat(f, ch, rate);
    // Asks only: nothing is opened, no handle comes back.
    const UINT result = open(nullptr, device, &wfx.Format, 0, 0, WAVE_FORMAT_QUERY);
    // A device that is gone or has no driver answers so for every format:
    // that is the matrix's failure, not a format it lacks.
    if (result == MMSYSERR_BADDEVICEID || result == MMSYSERR_NODRIVER || result == MMSYSERR_NOMEM) {
      failure = result;
    }
    return result == MMSYSERR_NOERROR;
  });
  if (failure != MMSYSERR_NOERROR) matrix = {};
  return failure;
}

std::string WinReportPlatform::SystemText(uint32_t result) {
  wchar_t text[MAXERRORLENGTH] = {};
  if (errorText_(result, text, MAXERRORLENGTH) != MMSYSERR_NOERROR) return {};
  return Utf8({text, wcsnlen(text, MAXERRORLENGTH)});
}

std::wstring WinReportPlatform::EndpointId(uint32_t device) {
  // DRV_QUERYFUNCTIONINSTANCEIDSIZE and DRV_QUERYFUNCTIONINSTANCEID: the
  // endpoint id's size in bytes with its NUL, then the id itself.
  constexpr UINT kIdSize = DRV_RESERVED + 18;
  constexpr UINT kId = DRV_RESERVED + 17;
  void* handle = reinterpret_cast<void*>(static_cast<UINT_PTR>(device));
  LazyProc<MessageFn>& message = input() ? inMessage_ : outMessage_;
  // Some systems write a ULONG here, others a pointer-sized count.
  DWORD_PTR bytes = 0;
  if (message(handle, kIdSize, reinterpret_cast<DWORD_PTR>(&bytes), 0) != MMSYSERR_NOERROR ||
      bytes < 2 * sizeof(wchar_t) || bytes > 64 * 1024) {
    return {};
  }
  std::wstring id(bytes / sizeof(wchar_t), L'\0');
  if (message(handle, kId, reinterpret_cast<DWORD_PTR>(id.data()), bytes) != MMSYSERR_NOERROR) {
    return {};
  }
  id.resize(wcsnlen(id.c_str(), id.size()));
  return id;
}

std::optional<Endpoint> WinReportPlatform::DeviceEndpoint(uint32_t device, int matrixChannels) {
  const std::wstring id = EndpointId(device);
  if (id.empty()) return std::nullopt;
  return coreAudio_.Describe(id, direction_, matrixChannels);
}

}  // namespace tivrel::win32
