// Float samples to and from the byte layouts tivrel-loopback plays and
// records in.
#pragma once

#include <alsa/asoundlib.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tivrel::alsa {

// Bytes per sample, 0 for a format not handled here.
std::size_t SampleBytes(snd_pcm_format_t format);
// count samples into `bytes` (count * SampleBytes); full scale is +-1.0,
// the largest positive code a hair under.
void EncodeSamples(const float* in, std::size_t count, snd_pcm_format_t format, uint8_t* bytes);
void DecodeSamples(const uint8_t* bytes, std::size_t count, snd_pcm_format_t format, float* out);

}  // namespace tivrel::alsa
