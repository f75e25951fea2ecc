/* A waveform-audio library whose devices' formats are known, to show that
   tivrel-report's matrix is what WAVE_FORMAT_QUERY answers. Device 0 takes
   16-bit PCM stereo at 44.1 and 48 kHz and 32-bit float mono at 96 kHz, asked
   as WAVEFORMATEXTENSIBLE; device 1 is in use. Nothing is ever opened, and
   no device has an endpoint. */
/* This library defines the functions that the headers declare as imports. */
#define _WINMM_
#include <windows.h>
/* After windows.h, which they build on. */
#include <mmreg.h>
#include <mmsystem.h>

static unsigned queries;
static unsigned opens;

/* How many formats were asked about, and how many opens were not queries. */
__declspec(dllexport) unsigned tivrelQueries(void) { return queries; }
__declspec(dllexport) unsigned tivrelOpens(void) { return opens; }

__declspec(dllexport) MMRESULT WINAPI waveOutGetNumDevs(void) { return 2; }

__declspec(dllexport) MMRESULT WINAPI
    waveOutGetDevCapsA(UINT_PTR device, WAVEOUTCAPSA* caps, UINT size) {
  WAVEOUTCAPSA c = {1, 2, 0x0501, "Stand-in Speakers", WAVE_FORMAT_4S16, 2, 0, WAVECAPS_VOLUME};
  if (device == 1) return MMSYSERR_ALLOCATED;
  if (device > 1) return MMSYSERR_BADDEVICEID;
  memcpy(caps, &c, size < sizeof c ? size : sizeof c);
  return MMSYSERR_NOERROR;
}

__declspec(dllexport) MMRESULT WINAPI
    waveOutGetDevCapsW(UINT_PTR device, WAVEOUTCAPSW* caps, UINT size) {
  WAVEOUTCAPSW c = {1, 2, 0x0501, L"Stand-in 扬声器", WAVE_FORMAT_4S16, 2, 0, WAVECAPS_VOLUME};
  if (device > 1) return MMSYSERR_BADDEVICEID;
  memcpy(caps, &c, size < sizeof c ? size : sizeof c);
  return MMSYSERR_NOERROR;
}

__declspec(dllexport) MMRESULT WINAPI waveOutGetErrorTextW(UINT error, LPWSTR text, UINT length) {
  const wchar_t* words =
      error == MMSYSERR_ALLOCATED ? L"Stand-in: the device is in use." : L"Stand-in: some error.";
  if (text == NULL || length == 0) return MMSYSERR_INVALPARAM;
  lstrcpynW(text, words, (int)length);
  return MMSYSERR_NOERROR;
}

/* A driver that cannot say which endpoint plays a device. */
__declspec(dllexport) MMRESULT WINAPI
    waveOutMessage(HWAVEOUT device, UINT message, DWORD_PTR param1, DWORD_PTR param2) {
  (void)device, (void)message, (void)param1, (void)param2;
  return MMSYSERR_NOTSUPPORTED;
}

static int Is(const GUID* g, unsigned short tag) {
  static const unsigned char tail[8] = {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
  return g->Data1 == tag && g->Data2 == 0 && g->Data3 == 0x0010 &&
         memcmp(g->Data4, tail, sizeof tail) == 0;
}

__declspec(dllexport) MMRESULT WINAPI
    waveOutOpen(HWAVEOUT* handle, UINT device, const WAVEFORMATEX* format, DWORD_PTR callback,
                DWORD_PTR instance, DWORD flags) {
  const WAVEFORMATEXTENSIBLE* x = (const WAVEFORMATEXTENSIBLE*)format;
  (void)callback;
  (void)instance;
  if (!(flags & WAVE_FORMAT_QUERY) || handle != NULL) {
    ++opens;
    return MMSYSERR_INVALPARAM;
  }
  if (device == 1) return MMSYSERR_ALLOCATED;
  if (device > 1) return MMSYSERR_BADDEVICEID;
  ++queries;
  if (format->wFormatTag != WAVE_FORMAT_EXTENSIBLE || format->cbSize < 22 ||
      format->nBlockAlign != format->nChannels * format->wBitsPerSample / 8 ||
      format->nAvgBytesPerSec != format->nSamplesPerSec * format->nBlockAlign) {
    return WAVERR_BADFORMAT;
  }
  if (Is(&x->SubFormat, WAVE_FORMAT_PCM) && format->wBitsPerSample == 16 &&
      x->Samples.wValidBitsPerSample == 16 && format->nChannels == 2 &&
      x->dwChannelMask == (SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT) &&
      (format->nSamplesPerSec == 44100 || format->nSamplesPerSec == 48000)) {
    return MMSYSERR_NOERROR;
  }
  if (Is(&x->SubFormat, WAVE_FORMAT_IEEE_FLOAT) && format->wBitsPerSample == 32 &&
      format->nChannels == 1 && format->nSamplesPerSec == 96000) {
    return MMSYSERR_NOERROR;
  }
  return WAVERR_BADFORMAT;
}
