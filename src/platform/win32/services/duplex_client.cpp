#include "platform/win32/services/duplex_client.h"

#include <mmreg.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tivrel::win32 {
namespace {

using Status = DuplexOutcome::Status;

// What each side keeps queued: enough for a poll every few milliseconds.
constexpr uint32_t kBufferMs = 100;

void Encode(const float* from, size_t count, const SampleKind& kind, BYTE* to) {
  const unsigned width = kind.container / 8u;
  const double scale = std::ldexp(1.0, kind.bits - 1);
  for (size_t i = 0; i < count; ++i, to += width) {
    const double v = from == nullptr ? 0.0 : std::clamp<double>(from[i], -1.0, 1.0);
    if (kind.isFloat) {
      const auto f = static_cast<float>(v);
      std::memcpy(to, &f, 4);
      continue;
    }
    const auto x = std::clamp<long long>(std::llround(v * scale), static_cast<long long>(-scale),
                                         static_cast<long long>(scale) - 1)
                   << (kind.container - kind.bits);
    for (unsigned b = 0; b < width; ++b) to[b] = static_cast<BYTE>(x >> (8 * b));
  }
}

float Decode(const BYTE* at, const SampleKind& kind) {
  if (kind.isFloat) {
    float f;
    std::memcpy(&f, at, 4);
    return f;
  }
  uint64_t raw = 0;
  for (unsigned b = 0; b < kind.container / 8u; ++b) raw |= uint64_t{at[b]} << (8 * b);
  // Sign-extended from the container's top bit.
  const auto x = static_cast<int64_t>(raw << (64 - kind.container)) >> (64 - kind.container);
  return static_cast<float>(static_cast<double>(x) / std::ldexp(1.0, kind.container - 1));
}

bool IsFloat(const WAVEFORMATEXTENSIBLE& f) {
  if (f.Format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT) return true;
  return f.Format.wFormatTag == WAVE_FORMAT_EXTENSIBLE &&
         f.SubFormat.Data1 == WAVE_FORMAT_IEEE_FLOAT;
}

}  // namespace

DuplexClient::DuplexClient(AudioClients& com, std::wstring id, std::string name, bool capture)
    : com_(com), id_(std::move(id)), name_(std::move(name)), capture_(capture) {
  Fresh();
  WAVEFORMATEX* mix = nullptr;
  const HRESULT hr = client_->GetMixFormat(&mix);
  if (FAILED(hr)) Fail("read the mix format of", hr);
  std::memcpy(&mix_, mix, std::min<size_t>(sizeof mix_, sizeof(WAVEFORMATEX) + mix->cbSize));
  com_.Free(mix);
  mixRate_ = mix_.Format.nSamplesPerSec;
}

DuplexClient::~DuplexClient() {
  Stop();
  if (render_ != nullptr) render_->Release();
  if (capturer_ != nullptr) capturer_->Release();
  if (client_ != nullptr) client_->Release();
}

void DuplexClient::Fail(const std::string& what, HRESULT hr) const {
  const bool busy = hr == AUDCLNT_E_DEVICE_IN_USE || hr == AUDCLNT_E_EXCLUSIVE_MODE_NOT_ALLOWED;
  throw DuplexFailure{Status::Failed, "cannot " + what + " " + (capture_ ? "input " : "output ") +
                                          name_ + ": " + (busy ? "in use, " : "") + "error " +
                                          HresultText(hr)};
}

// A client that failed to initialise is spent: each try gets a fresh one.
void DuplexClient::Fresh() {
  if (client_ != nullptr) client_->Release();
  std::string failure;
  const HRESULT hr = com_.Activate(id_, &client_, failure);
  if (FAILED(hr))
    throw DuplexFailure{
        hr == E_NOTIMPL ? Status::Unusable : Status::Failed,
        std::string("cannot open ") + (capture_ ? "input " : "output ") + name_ + ": " + failure};
}

bool DuplexClient::TakesExclusive(uint32_t rate, const SampleKind& kind) {
  const auto f =
      ClientFormat(2, rate, KSAUDIO_SPEAKER_STEREO, kind.container, kind.isFloat, kind.bits);
  return client_->IsFormatSupported(AUDCLNT_SHAREMODE_EXCLUSIVE, &f.Format, nullptr) == S_OK;
}

HRESULT DuplexClient::OpenExclusive(uint32_t rate, const SampleKind& kind) {
  const auto f =
      ClientFormat(2, rate, KSAUDIO_SPEAKER_STEREO, kind.container, kind.isFloat, kind.bits);
  REFERENCE_TIME period = 0, least = 0;
  client_->GetDevicePeriod(&period, &least);
  const REFERENCE_TIME buffer = std::max(Duration(rate * kBufferMs / 1000, rate), 4 * period);
  const HRESULT hr =
      client_->Initialize(AUDCLNT_SHAREMODE_EXCLUSIVE, 0, buffer, period, &f.Format, nullptr);
  if (FAILED(hr)) {
    Fresh();
    return hr;
  }
  kind_ = kind, channels_ = 2;
  Services();
  return S_OK;
}

void DuplexClient::OpenShared() {
  const REFERENCE_TIME buffer = Duration(mixRate_ * 2 * kBufferMs / 1000, mixRate_);
  const HRESULT hr =
      client_->Initialize(AUDCLNT_SHAREMODE_SHARED, 0, buffer, 0, &mix_.Format, nullptr);
  if (FAILED(hr)) Fail("open (shared mode)", hr);
  channels_ = mix_.Format.nChannels;
  const WORD container = mix_.Format.wBitsPerSample;
  const WORD bits = mix_.Format.wFormatTag == WAVE_FORMAT_EXTENSIBLE
                        ? mix_.Samples.wValidBitsPerSample
                        : container;
  kind_ = {IsFloat(mix_) ? "FLOAT_LE" : "S" + std::to_string(bits) + "_LE", container,
           bits != 0 ? bits : container, IsFloat(mix_)};
  shared_ = true;
  if (channels_ < 2 || (container != 16 && container != 24 && container != 32))
    Fail("use the mix format of", AUDCLNT_E_UNSUPPORTED_FORMAT);
  Services();
}

void DuplexClient::Services() {
  HRESULT hr = client_->GetBufferSize(&bufferFrames_);
  if (FAILED(hr)) Fail("size the buffer of", hr);
  hr =
      capture_
          ? client_->GetService(__uuidof(IAudioCaptureClient), reinterpret_cast<void**>(&capturer_))
          : client_->GetService(__uuidof(IAudioRenderClient), reinterpret_cast<void**>(&render_));
  if (FAILED(hr)) Fail("open", hr);
}

void DuplexClient::Start() {
  const HRESULT hr = client_->Start();
  if (FAILED(hr)) Fail("start", hr);
  started_ = true;
}

void DuplexClient::Stop() {
  if (started_) client_->Stop();
  started_ = false;
}

size_t DuplexClient::Render(const float* from, size_t frames) {
  UINT32 padding = 0;
  HRESULT hr = client_->GetCurrentPadding(&padding);
  if (FAILED(hr)) Fail("play on", hr);
  const auto n = static_cast<UINT32>(std::min<size_t>(bufferFrames_ - padding, frames));
  if (n == 0) return 0;
  BYTE* to = nullptr;
  if (FAILED(hr = render_->GetBuffer(n, &to))) Fail("play on", hr);
  const unsigned width = kind_.container / 8u;
  for (UINT32 i = 0; i < n; ++i, to += channels_ * width) {
    Encode(from == nullptr ? nullptr : from + 2 * i, 2, kind_, to);
    Encode(nullptr, channels_ - 2, kind_, to + 2 * width);
  }
  if (FAILED(hr = render_->ReleaseBuffer(n, 0))) Fail("play on", hr);
  return n;
}

size_t DuplexClient::Capture(float* to, size_t room, bool& lost) {
  size_t kept = 0;
  for (;;) {
    UINT32 next = 0, frames = 0;
    DWORD flags = 0;
    BYTE* from = nullptr;
    HRESULT hr = capturer_->GetNextPacketSize(&next);
    if (FAILED(hr)) Fail("record from", hr);
    if (next == 0) return kept;
    if (FAILED(hr = capturer_->GetBuffer(&from, &frames, &flags, nullptr, nullptr)))
      Fail("record from", hr);
    lost = lost || (flags & AUDCLNT_BUFFERFLAGS_DATA_DISCONTINUITY) != 0;
    const bool silent = (flags & AUDCLNT_BUFFERFLAGS_SILENT) != 0;
    const size_t take = std::min<size_t>(frames, room - kept);
    const unsigned width = kind_.container / 8u;
    for (size_t i = 0; i < take; ++i, from += channels_ * width, to += 2) {
      to[0] = silent ? 0.0f : Decode(from, kind_);
      to[1] = silent ? 0.0f : Decode(from + width, kind_);
    }
    kept += take;
    if (FAILED(hr = capturer_->ReleaseBuffer(frames))) Fail("record from", hr);
  }
}

}  // namespace tivrel::win32
