// One side of tivrel-loopback on Windows: a Core Audio endpoint's client in
// exclusive mode, or shared in the endpoint's mix format, and its render or
// capture service, moving stereo frames as floats in [-1, 1].
#pragma once

#include <windows.h>
// After windows.h, which they build on.
#include <audioclient.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "cli/duplex_io.h"
#include "platform/win32/services/wasapi_client.h"

namespace tivrel::win32 {

// Thrown by the duplex's steps: how the run ends and the line that says why.
struct DuplexFailure {
  DuplexOutcome::Status status;
  std::string message;
};

// A stream's samples: floats, or integers of `bits` left-justified in
// `container` bits.
struct SampleKind {
  std::string name;  // as -F names it: "S32_LE"
  WORD container = 32, bits = 32;
  bool isFloat = false;
};

class DuplexClient {
 public:
  // `name` says the device in messages: "waveOut 0 (Speakers (HD Audio))".
  DuplexClient(AudioClients& com, std::wstring id, std::string name, bool capture);
  ~DuplexClient();
  DuplexClient(const DuplexClient&) = delete;
  DuplexClient& operator=(const DuplexClient&) = delete;

  // Whether exclusive mode takes stereo `kind` at `rate`.
  bool TakesExclusive(uint32_t rate, const SampleKind& kind);
  // The rate the system's mixer runs the endpoint at.
  uint32_t MixRate() const { return mixRate_; }
  // Exclusive in `kind` at `rate`; the refusal's code when it is not had.
  HRESULT OpenExclusive(uint32_t rate, const SampleKind& kind);
  // Shared, in the endpoint's mix format (its first two channels used).
  void OpenShared();
  void Start();
  void Stop();

  // Plays as many of `frames` as there is room for (silence when `from` is
  // null); the count taken.
  size_t Render(const float* from, size_t frames);
  // Records what has come, at most `room` frames kept (the rest dropped);
  // the count kept. `lost` is set when the endpoint says frames were lost.
  size_t Capture(float* to, size_t room, bool& lost);

  const std::string& name() const { return name_; }
  const SampleKind& kind() const { return kind_; }
  bool shared() const { return shared_; }

 private:
  [[noreturn]] void Fail(const std::string& what, HRESULT hr) const;
  void Fresh();
  void Services();

  AudioClients& com_;
  std::wstring id_;
  std::string name_;
  bool capture_;
  IAudioClient* client_ = nullptr;
  IAudioRenderClient* render_ = nullptr;
  IAudioCaptureClient* capturer_ = nullptr;
  WAVEFORMATEXTENSIBLE mix_{};
  uint32_t mixRate_ = 0;
  SampleKind kind_;
  unsigned channels_ = 2;
  UINT32 bufferFrames_ = 0;
  bool shared_ = false, started_ = false;
};

}  // namespace tivrel::win32
