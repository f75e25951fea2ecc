#include "platform/win32/services/wave_format.h"

#include <cstdio>

namespace tivrel::win32 {

namespace {

// The media subtypes {00000001-0000-0010-8000-00AA00389B71} and
// {00000003-...}: the wave format tags PCM and IEEE float as GUIDs.
constexpr GUID Subtype(unsigned short tag) {
  return {tag, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}

DWORD SpeakerMask(unsigned channels) {
  switch (channels) {
    case 1:
      return SPEAKER_FRONT_CENTER;
    case 2:
      return SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT;
    case 4:
      return SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT | SPEAKER_BACK_LEFT | SPEAKER_BACK_RIGHT;
    case 6:  // 5.1
      return SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT | SPEAKER_FRONT_CENTER |
             SPEAKER_LOW_FREQUENCY | SPEAKER_BACK_LEFT | SPEAKER_BACK_RIGHT;
    case 8:  // 7.1 surround
      return SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT | SPEAKER_FRONT_CENTER |
             SPEAKER_LOW_FREQUENCY | SPEAKER_BACK_LEFT | SPEAKER_BACK_RIGHT | SPEAKER_SIDE_LEFT |
             SPEAKER_SIDE_RIGHT;
    default:
      // The first `channels` speaker positions; beyond the 18 named ones, none.
      return channels <= 18 ? (DWORD{1} << channels) - 1 : 0;
  }
}

bool IsSubtype(const GUID& guid, unsigned short tag) {
  const GUID subtype = Subtype(tag);
  return IsEqualGUID(guid, subtype) != 0;
}

}  // namespace

WAVEFORMATEXTENSIBLE ExtensibleFormat(SampleFormat format, unsigned channels, uint32_t rate) {
  const auto& info = kSampleFormats[static_cast<size_t>(format)];
  WAVEFORMATEXTENSIBLE wfx{};
  wfx.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
  wfx.Format.nChannels = static_cast<WORD>(channels);
  wfx.Format.nSamplesPerSec = rate;
  wfx.Format.wBitsPerSample = info.containerBits;
  wfx.Format.nBlockAlign = static_cast<WORD>(channels * info.containerBits / 8);
  wfx.Format.nAvgBytesPerSec = rate * wfx.Format.nBlockAlign;
  wfx.Format.cbSize = sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX);
  wfx.Samples.wValidBitsPerSample = info.validBits;
  wfx.dwChannelMask = SpeakerMask(channels);
  wfx.SubFormat = Subtype(info.isFloat ? WAVE_FORMAT_IEEE_FLOAT : WAVE_FORMAT_PCM);
  return wfx;
}

StreamFormat DescribeFormat(const WAVEFORMATEX& format) {
  StreamFormat f{.channels = format.nChannels,
                 .rate = format.nSamplesPerSec,
                 .bits = format.wBitsPerSample,
                 .validBits = format.wBitsPerSample};
  unsigned tag = format.wFormatTag;
  if (tag == WAVE_FORMAT_EXTENSIBLE &&
      format.cbSize >= sizeof(WAVEFORMATEXTENSIBLE) - sizeof format) {
    const auto& x = reinterpret_cast<const WAVEFORMATEXTENSIBLE&>(format);
    f.channelMask = x.dwChannelMask;
    if (x.Samples.wValidBitsPerSample != 0) f.validBits = x.Samples.wValidBitsPerSample;
    // The subtypes of the wave format tags carry their tag in the first field.
    if (IsSubtype(x.SubFormat, static_cast<unsigned short>(x.SubFormat.Data1))) {
      tag = x.SubFormat.Data1;
    }
  }
  std::optional<SampleFormat> sample;
  if (tag == WAVE_FORMAT_PCM || tag == WAVE_FORMAT_IEEE_FLOAT) {
    sample = FindSampleFormat(f.bits, f.validBits, tag == WAVE_FORMAT_IEEE_FLOAT);
  }
  if (sample) {
    f.format = kSampleFormats[static_cast<size_t>(*sample)].name;
  } else {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", tag);
    f.format = text;
  }
  return f;
}

}  // namespace tivrel::win32
