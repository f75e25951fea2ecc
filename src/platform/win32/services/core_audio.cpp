#include "platform/win32/services/core_audio.h"

#include <audioclient.h>
#include <mmdeviceapi.h>

#include <algorithm>

#include "framework/error.h"
#include "platform/win32/services/utf8.h"
#include "platform/win32/services/wave_format.h"

namespace tivrel::win32 {

namespace {

// The endpoint enumerator's class, {BCDE0395-E52F-467C-8E3D-C4579291692E}.
constexpr CLSID kMMDeviceEnumerator = {
    0xBCDE0395, 0xE52F, 0x467C, {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};
// PKEY_Device_FriendlyName: the endpoint's whole name, "Speakers (USB Audio)".
constexpr PROPERTYKEY kFriendlyName = {
    {0xA45C254E, 0xDF1C, 0x4EFD, {0x80, 0x20, 0x67, 0xD1, 0x46, 0xA8, 0x50, 0xE0}}, 14};

// One reference to a COM object, released when it goes.
template <typename T>
class Ref {
 public:
  Ref() = default;
  ~Ref() {
    if (p_ != nullptr) p_->Release();
  }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  T** put() { return &p_; }
  void** out() { return reinterpret_cast<void**>(&p_); }

 private:
  T* p_ = nullptr;
};

EDataFlow Flow(Direction direction) {
  return direction == Direction::kCapture ? eCapture : eRender;
}

// Every combination asked in exclusive mode. A refused format says so in one
// of a few ways; any other failure (the device held exclusively by another
// program, exclusive mode forbidden) is the matrix's, and ends it.
HRESULT ProbeExclusive(IAudioClient& client, int channels, FormatMatrix& matrix) {
  HRESULT failure = S_OK;
  matrix = ProbeFormatMatrix(channels, [&](SampleFormat f, unsigned ch, uint32_t rate) {
    if (FAILED(failure)) return false;
    const WAVEFORMATEXTENSIBLE wfx = ExtensibleFormat(f, ch, rate);
    const HRESULT hr = client.IsFormatSupported(AUDCLNT_SHAREMODE_EXCLUSIVE, &wfx.Format, nullptr);
    if (FAILED(hr) && hr != AUDCLNT_E_UNSUPPORTED_FORMAT && hr != E_INVALIDARG) failure = hr;
    return hr == S_OK;
  });
  return failure;
}

}  // namespace

CoreAudio::CoreAudio(std::string ole32) : ole32_(std::move(ole32)) {}

CoreAudio::~CoreAudio() {
  if (enumerator_ != nullptr) enumerator_->Release();
  if (comStarted_) coUninitialize_();
}

IMMDeviceEnumerator* CoreAudio::Enumerator() {
  if (started_) return enumerator_;
  started_ = true;
  try {
    const HRESULT hr = coInitializeEx_(nullptr, COINIT_MULTITHREADED);
    // S_FALSE (started before on this thread) is owed its uninitialize too;
    // RPC_E_CHANGED_MODE (started in the other model) is not, and serves.
    comStarted_ = SUCCEEDED(hr);
    if (FAILED(hr) && hr != RPC_E_CHANGED_MODE) return nullptr;
    if (FAILED(coCreateInstance_(kMMDeviceEnumerator, nullptr, CLSCTX_ALL,
                                 __uuidof(IMMDeviceEnumerator),
                                 reinterpret_cast<void**>(&enumerator_)))) {
      enumerator_ = nullptr;
    }
  } catch (const Error&) {
    // No ole32, or a function missing from it: a system without Core Audio.
  }
  return enumerator_;
}

std::wstring CoreAudio::DefaultId(Direction direction) {
  std::optional<std::wstring>& id = defaultIds_[direction == Direction::kCapture ? 1 : 0];
  if (!id) {
    id.emplace();
    Ref<IMMDevice> device;
    wchar_t* text = nullptr;
    if (SUCCEEDED(enumerator_->GetDefaultAudioEndpoint(Flow(direction), eConsole, device.put())) &&
        SUCCEEDED(device->GetId(&text)) && text != nullptr) {
      *id = text;
    }
    coTaskMemFree_(text);
  }
  return *id;
}

std::optional<Endpoint> CoreAudio::Describe(const std::wstring& id, Direction direction,
                                            int matrixChannels) {
  IMMDeviceEnumerator* enumerator = Enumerator();
  Ref<IMMDevice> device;
  if (enumerator == nullptr || FAILED(enumerator->GetDevice(id.c_str(), device.put()))) {
    return std::nullopt;
  }
  Endpoint endpoint{.id = Utf8(id),
                    .isDefault = _wcsicmp(DefaultId(direction).c_str(), id.c_str()) == 0};
  Ref<IPropertyStore> properties;
  if (SUCCEEDED(device->OpenPropertyStore(STGM_READ, properties.put()))) {
    PROPVARIANT name;
    PropVariantInit(&name);
    if (SUCCEEDED(properties->GetValue(kFriendlyName, &name)) && name.vt == VT_LPWSTR &&
        name.pwszVal != nullptr) {
      endpoint.name = Utf8(name.pwszVal);
    }
    propVariantClear_(&name);
  }
  Ref<IAudioClient> client;
  const HRESULT activated =
      device->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr, client.out());
  if (SUCCEEDED(activated)) {
    WAVEFORMATEX* mix = nullptr;
    if (SUCCEEDED(client->GetMixFormat(&mix)) && mix != nullptr) {
      endpoint.mixFormat = DescribeFormat(*mix);
    }
    coTaskMemFree_(mix);
  }
  if (matrixChannels > 0) {
    // The waveform record may count fewer channels than the endpoint mixes
    // (a 7.1 output whose driver says 2): try as many as either says.
    if (endpoint.mixFormat) {
      matrixChannels = std::max(matrixChannels, MatrixChannels(endpoint.mixFormat->channels));
    }
    FormatMatrix matrix;
    const HRESULT failure =
        FAILED(activated) ? activated : ProbeExclusive(*client, matrixChannels, matrix);
    if (FAILED(failure)) {
      endpoint.exclusiveResult = static_cast<uint32_t>(failure);
    } else {
      endpoint.exclusive = matrix;
    }
  }
  return endpoint;
}

}  // namespace tivrel::win32
