// A playback stream on a Core Audio endpoint: exclusive mode where the
// endpoint allows it, else shared mode in the endpoint's own mix format, its
// channel mask naming the speakers.
#pragma once

#include <windows.h>
// After windows.h, which it builds on.
#include <unknwn.h>

#include <functional>
#include <string>

#include "platform/win32/services/wasapi_client.h"
#include "sound/playback_stream.h"

struct IAudioClient;
struct IAudioRenderClient;

namespace tivrel::win32 {

class WasapiPlayback final : public sound::PlaybackStream {
 public:
  // `endpointId` as the waveform device gives it; `name` ("waveOut 0") for
  // messages; a wait for room ends when `stop` says so.
  WasapiPlayback(std::wstring endpointId, std::string name, std::function<bool()> stop);
  ~WasapiPlayback() override;
  WasapiPlayback(const WasapiPlayback&) = delete;
  WasapiPlayback& operator=(const WasapiPlayback&) = delete;

  sound::StreamError Open(sound::StreamConfig& config) override;
  std::optional<std::vector<sound::ChannelPosition>> ChannelMap() override { return positions_; }
  sound::StreamError Write(std::span<const float> samples) override;
  sound::StreamError Drain() override;
  void Close() override;

  // Whether the stream went through the system's mixer (shared mode), and
  // why exclusive mode was not had (an HRESULT).
  bool shared() const { return shared_; }
  HRESULT exclusiveRefusal() const { return exclusiveRefusal_; }

 private:
  sound::StreamError Fail(const char* call, HRESULT hr) const;
  // A fresh client of the endpoint.
  sound::StreamError Activate();
  HRESULT TryExclusive(unsigned channels, uint32_t rate, DWORD mask, uint32_t bufferFrames);
  // Sleeps a little or returns false when stopped.
  bool Wait();

  std::wstring id_;
  std::string name_;
  std::function<bool()> stop_;
  AudioClients clients_;
  IAudioClient* client_ = nullptr;
  IAudioRenderClient* render_ = nullptr;
  bool started_ = false;
  bool shared_ = false;
  HRESULT exclusiveRefusal_ = S_OK;
  WORD bits_ = 32;
  bool float_ = true;
  unsigned channels_ = 0;
  uint32_t bufferFrames_ = 0;
  uint32_t rate_ = 48000;
  std::optional<std::vector<sound::ChannelPosition>> positions_;
};

}  // namespace tivrel::win32
