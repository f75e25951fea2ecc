#include "platform/linux/alsa/pcm_samples.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tivrel::alsa {
namespace {

int32_t ToInt(float x, int bits) {
  const double scale = std::ldexp(1.0, bits - 1);
  return static_cast<int32_t>(std::clamp(std::lround(static_cast<double>(x) * scale),
                                         static_cast<long>(-scale), static_cast<long>(scale - 1)));
}

}  // namespace

std::size_t SampleBytes(snd_pcm_format_t format) {
  switch (format) {
    case SND_PCM_FORMAT_S16_LE:
      return 2;
    case SND_PCM_FORMAT_S24_3LE:
      return 3;
    case SND_PCM_FORMAT_S24_LE:
    case SND_PCM_FORMAT_S32_LE:
    case SND_PCM_FORMAT_FLOAT_LE:
      return 4;
    default:
      return 0;
  }
}

void EncodeSamples(const float* in, std::size_t count, snd_pcm_format_t format, uint8_t* bytes) {
  const std::size_t size = SampleBytes(format);
  for (std::size_t i = 0; i < count; ++i) {
    uint8_t* at = bytes + i * size;
    uint32_t v = 0;
    switch (format) {
      case SND_PCM_FORMAT_FLOAT_LE:
        std::memcpy(&v, &in[i], 4);
        break;
      case SND_PCM_FORMAT_S16_LE:
        v = static_cast<uint32_t>(ToInt(in[i], 16));
        break;
      case SND_PCM_FORMAT_S24_3LE:
      case SND_PCM_FORMAT_S24_LE:
        v = static_cast<uint32_t>(ToInt(in[i], 24));
        break;
      default:
        v = static_cast<uint32_t>(ToInt(in[i], 32));
        break;
    }
    for (std::size_t b = 0; b < size; ++b) at[b] = static_cast<uint8_t>(v >> (8 * b));
  }
}

void DecodeSamples(const uint8_t* bytes, std::size_t count, snd_pcm_format_t format, float* out) {
  const std::size_t size = SampleBytes(format);
  for (std::size_t i = 0; i < count; ++i) {
    uint32_t v = 0;
    for (std::size_t b = 0; b < size; ++b)
      v |= static_cast<uint32_t>(bytes[i * size + b]) << (8 * b);
    switch (format) {
      case SND_PCM_FORMAT_FLOAT_LE:
        std::memcpy(&out[i], &v, 4);
        break;
      case SND_PCM_FORMAT_S16_LE:
        out[i] = static_cast<float>(static_cast<int16_t>(v) / 32768.0);
        break;
      case SND_PCM_FORMAT_S24_3LE:
      case SND_PCM_FORMAT_S24_LE:
        out[i] = static_cast<float>(static_cast<int32_t>(v << 8) / 2147483648.0);
        break;
      default:
        out[i] = static_cast<float>(static_cast<int32_t>(v) / 2147483648.0);
        break;
    }
  }
}

}  // namespace tivrel::alsa
