#include "probe/waveoutcaps.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "framework/text.h"

namespace tivrel {

const std::array<std::u16string_view, kFormatBits> kFormatTexts = {
    u"11.025Khz,Mono,8bit,11Kb/Ps",  u"11.025Khz,Stereo,8bit,22Kb/Ps",
    u"11.025Khz,Mono,16bit,22Kb/Ps", u"11.025Khz,Stereo,16bit,43Kb/Ps",
    u"22.05Khz,Mono,8bit,22Kb/Ps",   u"22.05Khz,Stereo,8bit,43Kb/Ps",
    u"22.05Khz,Mono,16bit,43Kb/Ps",  u"22.05Khz,Stereo,16bit,86Kb/Ps",
    u"44.1Khz,Mono,8bit,43Kb/Ps",    u"44.1Khz,Stereo,8bit,86Kb/Ps",
    u"44.1Khz,Mono,16bit,86Kb/Ps",   u"44.1Khz,Stereo,16bit,172Kb/Ps",
};

const std::array<std::u16string_view, kSupportBits> kSupportTexts = {
    u"Support Pitch",           u"Support Playback",
    u"Support Volume Control",  u"Support Left-Right Channels",
    u"Support Synchronization",
};

namespace {

template <typename T>
void Put(CapsImage& image, size_t offset, T value) {
  using U = std::make_unsigned_t<T>;
  const auto bits = static_cast<U>(value);
  for (size_t i = 0; i < sizeof(T); ++i) image[offset + i] = static_cast<uint8_t>(bits >> (8 * i));
}

template <typename T>
T Get(const CapsImage& image, size_t offset) {
  using U = std::make_unsigned_t<T>;
  U bits = 0;
  for (size_t i = 0; i < sizeof(T); ++i) bits |= static_cast<U>(U{image[offset + i]} << (8 * i));
  return static_cast<T>(bits);
}

size_t NameLength(const std::array<char16_t, 32>& name) {
  return static_cast<size_t>(std::find(name.begin(), name.end(), u'\0') - name.begin());
}

// The flag tables' lookup as the command does it: a 16-bit counter, the
// double-precision power as mask, and the row found by comparing that power
// with each row's mask.
template <size_t N>
std::vector<std::u16string> FlagList(int32_t field,
                                     const std::array<std::u16string_view, N>& texts) {
  std::vector<std::u16string> list;
  for (int16_t i = 0; i < static_cast<int16_t>(N); ++i) {
    const double power = std::ldexp(1.0, i);
    const auto mask = static_cast<int32_t>(std::lround(power));
    if ((field & mask) == 0) continue;
    for (size_t row = 0; row < N; ++row) {
      if (power == static_cast<double>(1u << row)) list.emplace_back(texts[row]);
    }
  }
  return list;
}

}  // namespace

CapsImage ToImage(const WAVEOUTCAPS& caps, const AnsiCodec& ansi) {
  CapsImage image{};
  Put(image, kOffMid, caps.wMid);
  Put(image, kOffPid, caps.wPid);
  Put(image, kOffDriverVersion, caps.vDriverVersion);
  // Encode character by character so the cut never splits a double-byte
  // character; one byte stays for the terminating NUL.
  const std::u16string_view name(caps.szPname.data(), NameLength(caps.szPname));
  size_t used = 0;
  for (size_t i = 0; i < name.size();) {
    const bool pair = name[i] >= 0xD800 && name[i] <= 0xDBFF && i + 1 < name.size();
    const size_t units = pair ? 2 : 1;
    const std::string bytes = ansi.Encode(name.substr(i, units));
    if (used + bytes.size() > kPnameBytes - 1) break;
    std::memcpy(image.data() + kOffPname + used, bytes.data(), bytes.size());
    used += bytes.size();
    i += units;
  }
  Put(image, kOffFormats, caps.dwFormats);
  Put(image, kOffChannels, caps.wChannels);
  Put(image, kOffSupport, caps.dwSupport);
  return image;
}

WAVEOUTCAPS FromImage(const CapsImage& image, const AnsiCodec& ansi) {
  WAVEOUTCAPS caps;
  caps.wMid = Get<int16_t>(image, kOffMid);
  caps.wPid = Get<int16_t>(image, kOffPid);
  caps.vDriverVersion = Get<int32_t>(image, kOffDriverVersion);
  // A platform that broke its contract may leave no NUL in the 32 bytes: then
  // all 32 are the name.
  const auto* first = reinterpret_cast<const char*>(image.data() + kOffPname);
  const size_t bytes = strnlen(first, kPnameBytes);
  const std::u16string name = ansi.Decode(std::string_view(first, bytes));
  std::copy_n(name.begin(), std::min(name.size(), caps.szPname.size()), caps.szPname.begin());
  caps.dwFormats = Get<int32_t>(image, kOffFormats);
  caps.wChannels = Get<int16_t>(image, kOffChannels);
  caps.dwSupport = Get<int32_t>(image, kOffSupport);
  return caps;
}

std::u16string ProductName(const WAVEOUTCAPS& caps) {
  // Cut at the first NUL; a field with none shows all of its 32 characters.
  return std::u16string(caps.szPname.data(), NameLength(caps.szPname));
}

std::u16string IdText(int16_t id) { return DecimalText(id); }

DriverVersion DecodeDriverVersion(int32_t v) {
  const int32_t major = v / 256;  // truncates toward zero
  return {DecimalText(major), v - 256 * major};
}

std::u16string ChannelText(int16_t channels) { return SignSlotText(channels); }

std::vector<std::u16string> FormatList(int32_t dwFormats) {
  return FlagList(dwFormats, kFormatTexts);
}

std::vector<std::u16string> SupportList(int32_t dwSupport) {
  return FlagList(dwSupport, kSupportTexts);
}

}  // namespace tivrel
