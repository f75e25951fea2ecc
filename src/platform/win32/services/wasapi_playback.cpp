#include "platform/win32/services/wasapi_playback.h"

#include <audioclient.h>
#include <mmdeviceapi.h>
#include <mmreg.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "sound/channel_position.h"

namespace tivrel::win32 {

WasapiPlayback::WasapiPlayback(std::wstring endpointId, std::string name,
                               std::function<bool()> stop)
    : id_(std::move(endpointId)), name_(std::move(name)), stop_(std::move(stop)) {}

WasapiPlayback::~WasapiPlayback() { Close(); }

sound::StreamError WasapiPlayback::Fail(const char* call, HRESULT hr) const {
  return {static_cast<uint32_t>(hr), name_ + ": " + call + " failed (" + HresultText(hr) + ")"};
}

HRESULT WasapiPlayback::TryExclusive(unsigned channels, uint32_t rate, DWORD mask,
                                     uint32_t bufferFrames) {
  // The device's own samples: 32-bit, 16-bit and float, in that order.
  const std::pair<WORD, bool> kinds[] = {{32, false}, {16, false}, {32, true}};
  HRESULT last = AUDCLNT_E_UNSUPPORTED_FORMAT;
  for (const auto& [bits, isFloat] : kinds) {
    const WAVEFORMATEXTENSIBLE wfx = ClientFormat(channels, rate, mask, bits, isFloat);
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
  std::string failure;
  const HRESULT hr = clients_.Activate(id_, &client_, failure);
  if (FAILED(hr)) return {static_cast<uint32_t>(hr), name_ + ": " + failure};
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
  clients_.Free(mix);
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
    const WAVEFORMATEXTENSIBLE wfx = ClientFormat(channels_, rate_, mask, 32, true);
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
