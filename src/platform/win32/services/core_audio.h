// Core Audio's endpoints as tivrel-report asks them: found by the id that
// waveform audio gives for its device, with their whole name, whether they
// are the system's default, their mix format and what exclusive mode
// accepts. ole32 is bound at the first question, from the system directory,
// and COM and the endpoint enumerator (mmdevapi) start then, not before.
#pragma once

#include <windows.h>
// After windows.h, which it builds on.
#include <propidl.h>

#include <optional>
#include <string>

#include "platform/win32/services/services.h"
#include "probe/report_platform.h"

struct IMMDeviceEnumerator;

namespace tivrel::win32 {

class CoreAudio {
 public:
  explicit CoreAudio(std::string ole32 = "ole32.dll");
  ~CoreAudio();
  CoreAudio(const CoreAudio&) = delete;
  CoreAudio& operator=(const CoreAudio&) = delete;

  // The endpoint `id` of `direction`, with its exclusive-mode matrix over
  // channels 1..matrixChannels unless that is 0. Nothing when COM, the
  // enumerator or the endpoint cannot be had.
  std::optional<Endpoint> Describe(const std::wstring& id, Direction direction, int matrixChannels);

  // Whether the first question has been asked (and ole32 loaded).
  bool started() const { return started_; }

 private:
  IMMDeviceEnumerator* Enumerator();
  std::wstring DefaultId(Direction direction);

  using CoInitializeExFn = HRESULT(WINAPI*)(void*, DWORD);
  using CoUninitializeFn = void(WINAPI*)();
  using CoCreateInstanceFn = HRESULT(WINAPI*)(REFCLSID, IUnknown*, DWORD, REFIID, void**);
  using CoTaskMemFreeFn = void(WINAPI*)(void*);
  using PropVariantClearFn = HRESULT(WINAPI*)(PROPVARIANT*);

  LazyLibrary ole32_;
  LazyProc<CoInitializeExFn> coInitializeEx_{ole32_, "CoInitializeEx"};
  LazyProc<CoUninitializeFn> coUninitialize_{ole32_, "CoUninitialize"};
  LazyProc<CoCreateInstanceFn> coCreateInstance_{ole32_, "CoCreateInstance"};
  LazyProc<CoTaskMemFreeFn> coTaskMemFree_{ole32_, "CoTaskMemFree"};
  LazyProc<PropVariantClearFn> propVariantClear_{ole32_, "PropVariantClear"};
  bool started_ = false;
  bool comStarted_ = false;  // CoInitializeEx succeeded: CoUninitialize is owed
  IMMDeviceEnumerator* enumerator_ = nullptr;
  // The default endpoint of each direction, asked once.
  std::optional<std::wstring> defaultIds_[2];
};

}  // namespace tivrel::win32
