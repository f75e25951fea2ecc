#include "platform/win32/services/report_platform.h"

#include <algorithm>

namespace tivrel::win32 {

namespace {

std::string Utf8(const wchar_t* text, size_t length) {
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(std::max(n, 0)), '\0');
  if (n > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), n, nullptr,
                        nullptr);
  }
  return out;
}

// The media subtypes {00000001-0000-0010-8000-00AA00389B71} and
// {00000003-...}: the wave format tags PCM and IEEE float as GUIDs.
constexpr GUID Subtype(unsigned short tag) {
  return {tag, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}

DWORD SpeakerMask(unsigned channels) {
  switch (channels) {
    case 1:
      return SPEAKER_FRONT_CENTER;
    case 2:
      return SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT;
    case 4:
      return SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT | SPEAKER_BACK_LEFT | SPEAKER_BACK_RIGHT;
    case 6:  // 5.1
      return SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT | SPEAKER_FRONT_CENTER |
             SPEAKER_LOW_FREQUENCY | SPEAKER_BACK_LEFT | SPEAKER_BACK_RIGHT;
    case 8:  // 7.1 surround
      return SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT | SPEAKER_FRONT_CENTER |
             SPEAKER_LOW_FREQUENCY | SPEAKER_BACK_LEFT | SPEAKER_BACK_RIGHT | SPEAKER_SIDE_LEFT |
             SPEAKER_SIDE_RIGHT;
    default:
      // The first `channels` speaker positions; beyond the 18 named ones, none.
      return channels <= 18 ? (DWORD{1} << channels) - 1 : 0;
  }
}

}  // namespace

WAVEFORMATEXTENSIBLE ExtensibleFormat(SampleFormat format, unsigned channels, uint32_t rate) {
  const auto& info = kSampleFormats[static_cast<size_t>(format)];
  WAVEFORMATEXTENSIBLE wfx{};
  wfx.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
  wfx.Format.nChannels = static_cast<WORD>(channels);
  wfx.Format.nSamplesPerSec = rate;
  wfx.Format.wBitsPerSample = info.containerBits;
  wfx.Format.nBlockAlign = static_cast<WORD>(channels * info.containerBits / 8);
  wfx.Format.nAvgBytesPerSec = rate * wfx.Format.nBlockAlign;
  wfx.Format.cbSize = sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX);
  wfx.Samples.wValidBitsPerSample = info.validBits;
  wfx.dwChannelMask = SpeakerMask(channels);
  wfx.SubFormat = Subtype(info.isFloat ? WAVE_FORMAT_IEEE_FLOAT : WAVE_FORMAT_PCM);
  return wfx;
}

WinReportPlatform::WinReportPlatform(WaveOutWinmm& waveOut, const AnsiCodec& ansi)
    : waveOut_(waveOut),
      ansi_(ansi),
      open_(waveOut.library(), "waveOutOpen"),
      capsW_(waveOut.library(), "waveOutGetDevCapsW"),
      errorText_(waveOut.library(), "waveOutGetErrorTextW") {}

std::vector<DeviceListing> WinReportPlatform::ListDevices() {
  std::vector<DeviceListing> list;
  const auto count = static_cast<int32_t>(waveOut_.waveOutGetNumDevs());
  for (int32_t n = 0; n < count; ++n) {
    DeviceListing l;
    l.location.waveDevice = n;
    // The Unicode record: the name whatever the ANSI code page can hold.
    WAVEOUTCAPSW caps{};
    if (capsW_(static_cast<UINT_PTR>(n), &caps, sizeof caps) == MMSYSERR_NOERROR) {
      l.name = Utf8(caps.szPname, wcsnlen(caps.szPname, MAXPNAMELEN));
    }
    list.push_back(std::move(l));
  }
  return list;
}

uint32_t WinReportPlatform::ProbeMatrix(uint32_t device, int channels, FormatMatrix& matrix) {
  uint32_t failure = MMSYSERR_NOERROR;
  matrix = ProbeFormatMatrix(channels, [&](SampleFormat f, unsigned ch, uint32_t rate) {
    if (failure != MMSYSERR_NOERROR) return false;
    const WAVEFORMATEXTENSIBLE wfx = ExtensibleFormat(f, ch, rate);
    // Asks only: nothing is opened, no handle comes back.
    const UINT result = open_(nullptr, device, &wfx.Format, 0, 0, WAVE_FORMAT_QUERY);
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
  return Utf8(text, wcsnlen(text, MAXERRORLENGTH));
}

}  // namespace tivrel::win32
