#include "platform/win32/services/wasapi_client.h"

#include <audioclient.h>
#include <mmdeviceapi.h>

#include <cstdio>

#include "framework/error.h"

namespace tivrel::win32 {
namespace {

// The endpoint enumerator's class, {BCDE0395-E52F-467C-8E3D-C4579291692E}.
constexpr CLSID kEnumerator = {
    0xBCDE0395, 0xE52F, 0x467C, {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};

constexpr GUID Subtype(unsigned short tag) {
  return {tag, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}

}  // namespace

AudioClients::~AudioClients() {
  if (comStarted_) coUninitialize_();
}

HRESULT AudioClients::Activate(const std::wstring& id, IAudioClient** client,
                               std::string& failure) {
  *client = nullptr;
  IMMDeviceEnumerator* enumerator = nullptr;
  IMMDevice* device = nullptr;
  HRESULT hr;
  try {
    if (!comStarted_) comStarted_ = SUCCEEDED(coInitializeEx_(nullptr, COINIT_MULTITHREADED));
    hr = coCreateInstance_(kEnumerator, nullptr, CLSCTX_ALL, __uuidof(IMMDeviceEnumerator),
                           reinterpret_cast<void**>(&enumerator));
  } catch (const Error& e) {
    failure = e.what();
    return E_NOTIMPL;
  }
  const auto failed = [&](const char* call) {
    failure = std::string(call) + " failed (" + HresultText(hr) + ")";
    return hr;
  };
  if (FAILED(hr)) return failed("CoCreateInstance(MMDeviceEnumerator)");
  hr = enumerator->GetDevice(id.c_str(), &device);
  enumerator->Release();
  if (FAILED(hr)) return failed("IMMDeviceEnumerator::GetDevice");
  hr = device->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr,
                        reinterpret_cast<void**>(client));
  device->Release();
  if (FAILED(hr)) {
    *client = nullptr;
    return failed("IMMDevice::Activate");
  }
  return hr;
}

DWORD UsualMask(unsigned channels) {
  switch (channels) {
    case 1:
      return KSAUDIO_SPEAKER_MONO;
    case 2:
      return KSAUDIO_SPEAKER_STEREO;
    case 4:
      return KSAUDIO_SPEAKER_QUAD;
    case 6:
      return KSAUDIO_SPEAKER_5POINT1;
    case 8:
      return KSAUDIO_SPEAKER_7POINT1_SURROUND;
    default:
      return channels < 18 ? (DWORD{1} << channels) - 1 : 0;
  }
}

WAVEFORMATEXTENSIBLE ClientFormat(unsigned channels, uint32_t rate, DWORD mask, WORD containerBits,
                                  bool isFloat, WORD bits) {
  WAVEFORMATEXTENSIBLE wfx{};
  wfx.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
  wfx.Format.nChannels = static_cast<WORD>(channels);
  wfx.Format.nSamplesPerSec = rate;
  wfx.Format.wBitsPerSample = containerBits;
  wfx.Format.nBlockAlign = static_cast<WORD>(channels * containerBits / 8);
  wfx.Format.nAvgBytesPerSec = rate * wfx.Format.nBlockAlign;
  wfx.Format.cbSize = sizeof wfx - sizeof wfx.Format;
  wfx.Samples.wValidBitsPerSample = bits != 0 ? bits : containerBits;
  wfx.dwChannelMask = mask;
  wfx.SubFormat = Subtype(isFloat ? WAVE_FORMAT_IEEE_FLOAT : WAVE_FORMAT_PCM);
  return wfx;
}

REFERENCE_TIME Duration(uint32_t frames, uint32_t rate) {
  return static_cast<REFERENCE_TIME>(10000000.0 * frames / rate);
}

std::string HresultText(HRESULT hr) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
  return code;
}

}  // namespace tivrel::win32
