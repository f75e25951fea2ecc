#include "platform/win32/services/wasapi_playback.h"

#include <audioclient.h>
#include <mmdeviceapi.h>
#include <mmreg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "framework/error.h"
#include "sound/channel_position.h"

namespace tivrel::win32 {

namespace {

// The endpoint enumerator's class, {BCDE0395-E52F-467C-8E3D-C4579291692E}.
constexpr CLSID kEnumerator = {
    0xBCDE0395, 0xE52F, 0x467C, {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};

constexpr GUID Subtype(unsigned short tag) {
  return {tag, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}

// The usual speakers of a channel count (KSAUDIO_SPEAKER_*).
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

WAVEFORMATEXTENSIBLE Format(unsigned channels, uint32_t rate, DWORD mask, WORD bits, bool isFloat) {
  WAVEFORMATEXTENSIBLE wfx{};
  wfx.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
  wfx.Format.nChannels = static_cast<WORD>(channels);
  wfx.Format.nSamplesPerSec = rate;
  wfx.Format.wBitsPerSample = bits;
  wfx.Format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
  wfx.Format.nAvgBytesPerSec = rate * wfx.Format.nBlockAlign;
  wfx.Format.cbSize = sizeof wfx - sizeof wfx.Format;
  wfx.Samples.wValidBitsPerSample = bits;
  wfx.dwChannelMask = mask;
  wfx.SubFormat = Subtype(isFloat ? WAVE_FORMAT_IEEE_FLOAT : WAVE_FORMAT_PCM);
  return wfx;
}

REFERENCE_TIME Duration(uint32_t frames, uint32_t rate) {
  return static_cast<REFERENCE_TIME>(10000000.0 * frames / rate);
}

}  // namespace

WasapiPlayback::WasapiPlayback(std::wstring endpointId, std::string name,
                               std::function<bool()> stop)
    : id_(std::move(endpointId)), name_(std::move(name)), stop_(std::move(stop)) {}

WasapiPlayback::~WasapiPlayback() {
  Close();
  if (comStarted_) coUninitialize_();
}

sound::StreamError WasapiPlayback::Fail(const char* call, HRESULT hr) const {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
  return {static_cast<uint32_t>(hr), name_ + ": " + call + " failed (" + code + ")"};
}

HRESULT WasapiPlayback::TryExclusive(unsigned channels, uint32_t rate, DWORD mask,
                                     uint32_t bufferFrames) {
  // The device's own samples: 32-bit, 16-bit and float, in that order.
  const std::pair<WORD, bool> kinds[] = {{32, false}, {16, false}, {32, true}};
  HRESULT last = AUDCLNT_E_UNSUPPORTED_FORMAT;
  for (const auto& [bits, isFloat] : kinds) {
    const WAVEFORMATEXTENSIBLE wfx = Format(channels, rate, mask, bits, isFloat);
    last = client_->IsFormatSupported(AUDCLNT_SHAREMODE_EXCLUSIVE, &wfx.Format, nullptr);
    if (last != S_OK) continue;
    const REFERENCE_TIME period = Duration(bufferFrames, rate);
    last =
        client_->Initialize(AUDCLNT_SHAREMODE_EXCLUSIVE, 0, period, period, &wfx.Format, nullptr);
    if (SUCCEEDED(last)) {
      bits_ = bits, float_ = isFloat;
      return S_OK;
    }
  }
  return last;
}

sound::StreamError WasapiPlayback::Activate() {
  if (client_ != nullptr) client_->Release();
  client_ = nullptr;
  IMMDeviceEnumerator* enumerator = nullptr;
  IMMDevice* device = nullptr;
  HRESULT hr;
  try {
    if (!comStarted_) comStarted_ = SUCCEEDED(coInitializeEx_(nullptr, COINIT_MULTITHREADED));
    hr = coCreateInstance_(kEnumerator, nullptr, CLSCTX_ALL, __uuidof(IMMDeviceEnumerator),
                           reinterpret_cast<void**>(&enumerator));
  } catch (const Error& e) {
    return {static_cast<uint32_t>(E_NOTIMPL), name_ + ": " + e.what()};
  }
  if (FAILED(hr)) return Fail("CoCreateInstance(MMDeviceEnumerator)", hr);
  hr = enumerator->GetDevice(id_.c_str(), &device);
  enumerator->Release();
  if (FAILED(hr)) return Fail("IMMDeviceEnumerator::GetDevice", hr);
  hr = device->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr,
                        reinterpret_cast<void**>(&client_));
  device->Release();
  if (FAILED(hr)) {
    client_ = nullptr;
    return Fail("IMMDevice::Activate", hr);
  }
  return {};
}

sound::StreamError WasapiPlayback::Open(sound::StreamConfig& config) {
  if (auto e = Activate()) return e;
  WAVEFORMATEX* mix = nullptr;
  HRESULT hr = client_->GetMixFormat(&mix);
  if (FAILED(hr)) return Fail("IAudioClient::GetMixFormat", hr);
  const unsigned mixChannels = mix->nChannels;
  const uint32_t mixRate = mix->nSamplesPerSec;
  const DWORD mixMask = mix->wFormatTag == WAVE_FORMAT_EXTENSIBLE
                            ? reinterpret_cast<WAVEFORMATEXTENSIBLE*>(mix)->dwChannelMask
                            : UsualMask(mixChannels);
  coTaskMemFree_(mix);
  channels_ = config.channels == 0 ? mixChannels : config.channels;
  const DWORD mask = channels_ == mixChannels ? mixMask : UsualMask(channels_);
  rate_ = config.rate;
  exclusiveRefusal_ = TryExclusive(channels_, rate_, mask, config.bufferFrames);
  if (FAILED(exclusiveRefusal_)) {
    // Shared: the system's mixer at its own rate, with the endpoint's channels.
    if (channels_ != mixChannels) {
      return Fail("IAudioClient::Initialize (exclusive; shared mode mixes another count)",
                  exclusiveRefusal_);
    }
    // A client that failed to initialise is spent: a fresh one.
    if (auto e = Activate()) return e;
    rate_ = mixRate;
    bits_ = 32, float_ = true, shared_ = true;
    const WAVEFORMATEXTENSIBLE wfx = Format(channels_, rate_, mask, 32, true);
    hr = client_->Initialize(AUDCLNT_SHAREMODE_SHARED, 0, Duration(config.bufferFrames, rate_), 0,
                             &wfx.Format, nullptr);
    if (FAILED(hr)) return Fail("IAudioClient::Initialize", hr);
  }
  UINT32 frames = 0;
  if (FAILED(hr = client_->GetBufferSize(&frames))) return Fail("IAudioClient::GetBufferSize", hr);
  if (FAILED(hr = client_->GetService(__uuidof(IAudioRenderClient),
                                      reinterpret_cast<void**>(&render_))))
    return Fail("IAudioClient::GetService", hr);
  // Never more queued than half a second, whatever the endpoint gave.
  bufferFrames_ = std::min<uint32_t>(frames, rate_ / 2);
  config = {channels_, rate_, std::min(config.periodFrames, bufferFrames_ / 2), bufferFrames_};
  positions_ = sound::PositionsOfMask(mask, channels_);
  return {};
}

bool WasapiPlayback::Wait() {
  if (stop_()) return false;
  Sleep(std::max<DWORD>(1, static_cast<DWORD>(250ull * bufferFrames_ / rate_)));
  return !stop_();
}

sound::StreamError WasapiPlayback::Write(std::span<const float> samples) {
  size_t left = samples.size() / channels_;
  const float* in = samples.data();
  while (left > 0) {
    UINT32 padding = 0;
    HRESULT hr = client_->GetCurrentPadding(&padding);
    if (FAILED(hr)) return Fail("IAudioClient::GetCurrentPadding", hr);
    const UINT32 room = bufferFrames_ > padding ? bufferFrames_ - padding : 0;
    if (room == 0) {
      if (!started_ && SUCCEEDED(hr = client_->Start())) started_ = true;
      if (FAILED(hr)) return Fail("IAudioClient::Start", hr);
      if (!Wait()) return {static_cast<uint32_t>(E_ABORT), name_ + ": stopped"};
      continue;
    }
    const UINT32 n = static_cast<UINT32>(std::min<size_t>(room, left));
    BYTE* out = nullptr;
    if (FAILED(hr = render_->GetBuffer(n, &out))) return Fail("IAudioRenderClient::GetBuffer", hr);
    for (size_t i = 0; i < size_t{n} * channels_; ++i) {
      const double v = std::clamp(in[i], -1.0f, 1.0f);
      if (float_) {
        const float f = static_cast<float>(v);
        std::memcpy(out + 4 * i, &f, 4);
      } else if (bits_ == 16) {
        const auto x = static_cast<int16_t>(std::lround(v * 32767.0));
        std::memcpy(out + 2 * i, &x, 2);
      } else {
        const auto x = static_cast<int32_t>(
            std::clamp(std::llround(v * 2147483647.0), -2147483647ll, 2147483647ll));
        std::memcpy(out + 4 * i, &x, 4);
      }
    }
    if (FAILED(hr = render_->ReleaseBuffer(n, 0)))
      return Fail("IAudioRenderClient::ReleaseBuffer", hr);
    in += size_t{n} * channels_, left -= n;
  }
  return {};
}

sound::StreamError WasapiPlayback::Drain() {
  HRESULT hr;
  if (!started_ && FAILED(hr = client_->Start())) return Fail("IAudioClient::Start", hr);
  started_ = true;
  for (UINT32 padding = 1; padding > 0;) {
    if (FAILED(hr = client_->GetCurrentPadding(&padding)))
      return Fail("IAudioClient::GetCurrentPadding", hr);
    if (padding > 0 && !Wait()) return {static_cast<uint32_t>(E_ABORT), name_ + ": stopped"};
  }
  return {};
}

void WasapiPlayback::Close() {
  if (client_ != nullptr && started_) client_->Stop();
  started_ = false;
  if (render_ != nullptr) render_->Release();
  if (client_ != nullptr) client_->Release();
  render_ = nullptr, client_ = nullptr;
}

}  // namespace tivrel::win32
