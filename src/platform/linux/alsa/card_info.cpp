// What the record needs beyond the PCM itself: the card's ids and the driver
// version from /sys and /proc, and the pure rules that shape the values.
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/linux/alsa/alsa_waveout.h"

namespace tivrel::alsa {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// All of `s` as a hexadecimal number of at most 16 bits. Leading zeros are
// fine; a longer value is refused rather than cut.
std::optional<uint16_t> Hex16(std::string_view s) {
  if (s.empty()) return std::nullopt;
  uint32_t value = 0;
  for (char c : s) {
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    value = value * 16 + static_cast<uint32_t>(d);
    if (value > 0xFFFF) return std::nullopt;
  }
  return static_cast<uint16_t>(value);
}

// A decimal number of 1 to 3 digits, 0..255, at the front of `s`.
std::optional<int32_t> TakeByte(std::string_view& s) {
  size_t n = 0;
  while (n < s.size() && n < 4 && s[n] >= '0' && s[n] <= '9') ++n;
  if (n == 0 || n > 3) return std::nullopt;
  int32_t value = 0;
  std::from_chars(s.data(), s.data() + n, value);
  if (value > 255) return std::nullopt;
  s.remove_prefix(n);
  return value;
}

std::filesystem::path CardDir(const std::filesystem::path& root, const char* base, int card) {
  return root / base / ("card" + std::to_string(card));
}

}  // namespace

std::optional<uint16_t> ParsePciId(std::string_view text) {
  std::string_view s = Trim(text);
  if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s.remove_prefix(2);
  return Hex16(s);
}

std::optional<UsbId> ParseUsbId(std::string_view text) {
  const std::string_view s = Trim(text);
  const size_t colon = s.find(':');
  if (colon == std::string_view::npos || colon > 4 || s.size() - colon - 1 > 4) {
    return std::nullopt;
  }
  const auto vendor = Hex16(s.substr(0, colon));
  const auto product = Hex16(s.substr(colon + 1));
  if (!vendor || !product) return std::nullopt;
  return UsbId{*vendor, *product};
}

std::optional<int32_t> ParseAlsaVersion(std::string_view text) {
  // Kernels since 2.6 print their own release after "Version" with a 'k'
  // in front; older drivers printed the alsa-driver release.
  constexpr std::string_view kKey = "Version";
  const size_t at = text.find(kKey);
  if (at == std::string_view::npos) return std::nullopt;
  std::string_view s = text.substr(at + kKey.size());
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  if (!s.empty() && s.front() == 'k') s.remove_prefix(1);
  const auto major = TakeByte(s);
  if (!major || s.empty() || s.front() != '.') return std::nullopt;
  s.remove_prefix(1);
  const auto minor = TakeByte(s);
  if (!minor) return std::nullopt;
  return *major * 256 + *minor;
}

std::optional<std::vector<CardDevice>> ParseCardList(std::string_view text) {
  std::vector<CardDevice> cards;
  while (!text.empty()) {
    const size_t end = text.find(';');
    const std::string_view entry = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    const size_t c1 = entry.find(',');
    const size_t c2 = c1 == std::string_view::npos ? c1 : entry.find(',', c1 + 1);
    if (c2 == std::string_view::npos) return std::nullopt;
    CardDevice d;
    const auto card = std::from_chars(entry.data(), entry.data() + c1, d.card);
    const auto dev = std::from_chars(entry.data() + c1 + 1, entry.data() + c2, d.device);
    if (card.ec != std::errc{} || card.ptr != entry.data() + c1 || dev.ec != std::errc{} ||
        dev.ptr != entry.data() + c2 || d.card < 0 || d.device < 0) {
      return std::nullopt;
    }
    d.name = std::string(entry.substr(c2 + 1));
    cards.push_back(std::move(d));
  }
  return cards;
}

std::optional<AlsaOptions> OptionsFromEnvironment() {
  AlsaOptions options;
  if (const char* root = std::getenv("TIVREL_ALSA_ROOT")) options.root = root;
  if (const char* pcm = std::getenv("TIVREL_ALSA_PCM")) options.pcmName = pcm;
  if (const char* cards = std::getenv("TIVREL_ALSA_CARDS")) {
    options.cards = ParseCardList(cards);
    if (!options.cards) return std::nullopt;
  }
  return options;
}

int32_t FormatFlags(const FormatTest& supports) {
  // Bit order as the format-flag table: per rate mono 8, stereo 8, mono 16, stereo 16.
  static constexpr unsigned kRates[] = {11025, 22050, 44100};
  int32_t flags = 0;
  int bit = 0;
  for (unsigned rate : kRates) {
    for (unsigned bits : {8u, 16u}) {
      for (unsigned channels : {1u, 2u}) {
        const int at = bit + (bits == 16 ? 2 : 0) + (channels == 2 ? 1 : 0);
        if (supports(rate, channels, bits)) flags |= int32_t{1} << at;
      }
    }
    bit += 4;
  }
  return flags;
}

int32_t SupportFlags(const std::vector<MixerElement>& elements) {
  constexpr int32_t kVolume = 0x0004, kLeftRight = 0x0008;
  int32_t flags = 0;
  for (const auto& e : elements) {
    if (!e.playbackVolume) continue;
    flags |= kVolume;
    if (!e.volumeJoined && e.stereo) flags |= kLeftRight;
  }
  return flags;
}

uint16_t ClampChannels(unsigned int channels) {
  return channels > 0xFFFF ? uint16_t{0xFFFF} : static_cast<uint16_t>(channels);
}

uint32_t OpenErrorResult(int error) {
  switch (error) {
    case 0:
      return kMmSysErrNoError;
    // A sound server holding the device open, or a plugin saying "try later".
    case -EBUSY:
    case -EAGAIN:
      return kMmSysErrAllocated;
    // The device went away between the count and the query, or never was.
    case -ENOENT:
    case -ENODEV:
    case -ENXIO:
      return kMmSysErrBadDeviceId;
    case -ENOMEM:
      return kMmSysErrNoMem;
    default:
      return kMmSysErrError;
  }
}

std::optional<std::string> ReadSmallFile(const std::filesystem::path& path, size_t limit) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  // One byte more than allowed tells a long file from one that just fits;
  // sysfs files report a size of 4096 whatever they hold, so read, don't stat.
  std::string data(limit + 1, '\0');
  in.read(data.data(), static_cast<std::streamsize>(data.size()));
  if (in.bad()) return std::nullopt;
  const auto got = static_cast<size_t>(in.gcount());
  if (got > limit) return std::nullopt;
  data.resize(got);
  return data;
}

CardIds ReadCardIds(const std::filesystem::path& root, int card) {
  if (card < 0) return {};
  // PCI: the card's device is the PCI function, which has vendor and device
  // files. A USB card's device is an interface, which has neither.
  const auto pci = CardDir(root, "sys/class/sound", card) / "device";
  if (const auto vendor = ReadSmallFile(pci / "vendor")) {
    if (const auto v = ParsePciId(*vendor)) {
      const auto device = ReadSmallFile(pci / "device");
      return {*v, device ? ParsePciId(*device).value_or(0) : uint16_t{0}};
    }
  }
  if (const auto usbid = ReadSmallFile(CardDir(root, "proc/asound", card) / "usbid")) {
    if (const auto id = ParseUsbId(*usbid)) return {id->vendor, id->product};
  }
  return {};
}

int32_t ReadDriverVersion(const std::filesystem::path& root) {
  const auto text = ReadSmallFile(root / "proc/asound/version");
  return text ? ParseAlsaVersion(*text).value_or(0) : 0;
}

}  // namespace tivrel::alsa
