// What the record needs beyond the PCM itself: the card's ids and the driver
// version from /sys and /proc, and the pure rules that shape the values.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdlib>
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

std::vector<CardEntry> ParseCards(std::string_view text) {
  // " 0 [PCH            ]: HDA-Intel - HDA Intel PCH", then a line of details.
  std::vector<CardEntry> cards;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    CardEntry card;
    const auto parsed = std::from_chars(line.data(), line.data() + line.size(), card.index);
    const size_t open = line.find('[');
    const size_t close = line.find("]: ");
    const size_t dash = line.find(" - ", close);
    if (parsed.ec != std::errc{} || card.index < 0 || open == std::string_view::npos ||
        close == std::string_view::npos || close < open || dash == std::string_view::npos) {
      continue;
    }
    card.id = std::string(Trim(line.substr(open + 1, close - open - 1)));
    card.name = std::string(Trim(line.substr(dash + 3)));
    card.driver = std::string(Trim(line.substr(close + 3, dash - close - 3)));
    cards.push_back(std::move(card));
  }
  return cards;
}

std::optional<std::string> ProcField(std::string_view text, std::string_view key) {
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    const size_t colon = line.find(':');
    if (colon != std::string_view::npos && Trim(line.substr(0, colon)) == key) {
      return std::string(Trim(line.substr(colon + 1)));
    }
  }
  return std::nullopt;
}

std::vector<UsbAltset> ParseUsbStream(std::string_view text) {
  // Only the "Playback:" section; each "Interface N" line opens an altset.
  std::vector<UsbAltset> altsets;
  bool playback = false;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view raw = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    const std::string_view line = Trim(raw);
    if (!raw.empty() && raw.front() != ' ') {
      playback = line == "Playback:";
      continue;
    }
    if (!playback) continue;
    if (line.rfind("Interface ", 0) == 0 && line.find('=') == std::string_view::npos) {
      altsets.emplace_back();
      continue;
    }
    if (altsets.empty()) continue;
    UsbAltset& alt = altsets.back();
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, colon);
    std::string_view value = Trim(line.substr(colon + 1));
    if (key == "Format") {
      while (!value.empty()) {
        const size_t blank = value.find(' ');
        alt.formats.emplace_back(value.substr(0, blank));
        value = blank == std::string_view::npos ? std::string_view{} : Trim(value.substr(blank));
      }
    } else if (key == "Channels") {
      std::from_chars(value.data(), value.data() + value.size(), alt.channels);
    } else if (key == "Rates") {
      // "44100, 48000" or "8000 - 48000 (continuous)"
      alt.continuous = value.find("continuous") != std::string_view::npos;
      for (const char* p = value.data(); p < value.data() + value.size();) {
        unsigned rate = 0;
        const auto r = std::from_chars(p, value.data() + value.size(), rate);
        if (r.ec == std::errc{}) {
          alt.rates.push_back(rate);
          p = r.ptr;
        } else {
          ++p;
        }
      }
      if (alt.continuous && alt.rates.size() != 2) alt.rates.clear();
    }
  }
  return altsets;
}

PcmCaps StreamCaps(const std::vector<UsbAltset>& altsets) {
  PcmCaps caps;
  for (const auto& alt : altsets) {
    caps.maxChannels = std::max(caps.maxChannels, ClampChannels(alt.channels));
  }
  // The same sample formats as the probe asks a device for.
  caps.formats = FormatFlags([&](unsigned rate, unsigned channels, unsigned bits) {
    const std::string_view format = bits == 8 ? "U8" : "S16_LE";
    return std::any_of(altsets.begin(), altsets.end(), [&](const UsbAltset& alt) {
      const bool hasRate =
          alt.continuous ? !alt.rates.empty() && alt.rates[0] <= rate && rate <= alt.rates[1]
                         : std::find(alt.rates.begin(), alt.rates.end(), rate) != alt.rates.end();
      return alt.channels == channels && hasRate &&
             std::find(alt.formats.begin(), alt.formats.end(), format) != alt.formats.end();
    });
  });
  return caps;
}

AlsaOptions OptionsFromEnvironment() {
  AlsaOptions options;
  if (const char* root = std::getenv("TIVREL_ALSA_ROOT")) options.root = root;
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
    // Permission and everything else: the note says which.
    default:
      return kMmSysErrError;
  }
}

std::optional<std::string> ReadSmallFile(const std::filesystem::path& path, size_t limit) {
  // Non-blocking and checked to be a regular file before any read: a FIFO or
  // a device node in its place must not hang the probe.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  std::optional<std::string> result;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    // One byte more than allowed tells a long file from one that just fits;
    // sysfs files report a size of 4096 whatever they hold, so read, don't stat.
    std::string data(limit + 1, '\0');
    size_t got = 0;
    for (;;) {
      const ssize_t n = ::read(fd, data.data() + got, data.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        got = SIZE_MAX;
        break;
      }
      if (n == 0 || (got += static_cast<size_t>(n)) == data.size()) break;
    }
    if (got <= limit) {
      data.resize(got);
      result = std::move(data);
    }
  }
  ::close(fd);
  return result;
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
