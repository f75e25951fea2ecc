// What the Core Audio streams share: ole32 bound at the first client, from the
// system folder, with COM started on the calling thread then; a client of an
// endpoint by its id; and the stream formats they ask for.
#pragma once

#include <windows.h>
// After windows.h, which they build on.
#include <audioclient.h>
#include <mmreg.h>

#include <cstdint>
#include <string>

#include "platform/win32/services/services.h"

namespace tivrel::win32 {

class AudioClients {
 public:
  AudioClients() = default;
  ~AudioClients();
  AudioClients(const AudioClients&) = delete;
  AudioClients& operator=(const AudioClients&) = delete;

  // A fresh client of endpoint `id`, or the failure in `failure`: the call
  // that failed with its code, or ole32's own words.
  HRESULT Activate(const std::wstring& id, IAudioClient** client, std::string& failure);
  void Free(void* memory) { coTaskMemFree_(memory); }

 private:
  using CoInitializeExFn = HRESULT(WINAPI*)(void*, DWORD);
  using CoUninitializeFn = void(WINAPI*)();
  using CoCreateInstanceFn = HRESULT(WINAPI*)(REFCLSID, IUnknown*, DWORD, REFIID, void**);
  using CoTaskMemFreeFn = void(WINAPI*)(void*);

  LazyLibrary ole32_{"ole32.dll"};
  LazyProc<CoInitializeExFn> coInitializeEx_{ole32_, "CoInitializeEx"};
  LazyProc<CoUninitializeFn> coUninitialize_{ole32_, "CoUninitialize"};
  LazyProc<CoCreateInstanceFn> coCreateInstance_{ole32_, "CoCreateInstance"};
  LazyProc<CoTaskMemFreeFn> coTaskMemFree_{ole32_, "CoTaskMemFree"};
  bool comStarted_ = false;
};

// The usual speakers of a channel count (KSAUDIO_SPEAKER_*).
DWORD UsualMask(unsigned channels);

// Integer samples of `bits` in a container of `containerBits`, or floats.
WAVEFORMATEXTENSIBLE ClientFormat(unsigned channels, uint32_t rate, DWORD mask, WORD containerBits,
                                  bool isFloat, WORD bits = 0);

// `frames` at `rate` in Core Audio's units of 100 ns.
REFERENCE_TIME Duration(uint32_t frames, uint32_t rate);

// "0x88890008"
std::string HresultText(HRESULT hr);

}  // namespace tivrel::win32
