#include "platform/linux/alsa/proc_parsers.h"

#include <charconv>
#include <system_error>

namespace tivrel::alsa {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

// The first line of `text`, without its line end; `text` keeps the rest.
std::string_view TakeLine(std::string_view& text) {
  const size_t end = text.find('\n');
  const std::string_view line = text.substr(0, end);
  text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
  return line;
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
    std::string_view line = TakeLine(text);
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
    const std::string_view line = TakeLine(text);
    const size_t colon = line.find(':');
    if (colon != std::string_view::npos && Trim(line.substr(0, colon)) == key) {
      return std::string(Trim(line.substr(colon + 1)));
    }
  }
  return std::nullopt;
}

std::vector<UsbAltset> ParseUsbStream(std::string_view text, Direction stream) {
  // Only the stream's section; each "Interface N" line opens an altset.
  const std::string_view section = stream == Direction::kCapture ? "Capture:" : "Playback:";
  std::vector<UsbAltset> altsets;
  bool inSection = false;
  while (!text.empty()) {
    const std::string_view raw = TakeLine(text);
    const std::string_view line = Trim(raw);
    if (!raw.empty() && raw.front() != ' ') {
      inSection = line == section;
      continue;
    }
    if (!inSection) continue;
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

namespace {

// The numbers after "]: " of a line such as "rates [0x560]: 44100 48000".
std::vector<unsigned> ListedNumbers(std::string_view value) {
  std::vector<unsigned> numbers;
  const size_t at = value.find("]:");
  if (at == std::string_view::npos) return numbers;
  value.remove_prefix(at + 2);
  while (!value.empty()) {
    value = Trim(value);
    unsigned n = 0;
    const auto r = std::from_chars(value.data(), value.data() + value.size(), n);
    if (r.ec != std::errc{}) break;
    numbers.push_back(n);
    value.remove_prefix(static_cast<size_t>(r.ptr - value.data()));
  }
  return numbers;
}

struct PcmCapsText {
  std::vector<unsigned> rates, bits;
  bool floats = false;
  bool seen = false;
};

// One "rates", "bits" or "formats" line of a PCM block.
void TakePcmLine(std::string_view line, PcmCapsText& caps) {
  if (line.rfind("rates [", 0) == 0) {
    caps.rates = ListedNumbers(line);
    caps.seen = true;
  } else if (line.rfind("bits [", 0) == 0) {
    caps.bits = ListedNumbers(line);
  } else if (line.rfind("formats [", 0) == 0) {
    caps.floats = line.find("FLOAT") != std::string_view::npos;
  }
}

}  // namespace

std::vector<HdaConverter> ParseHdaConverters(std::string_view text) {
  // "Node 0x02 [Audio Output] wcaps 0x41d: Stereo Amp-Out" opens a node; its
  // "PCM:" block (or the codec's "Default PCM:") gives what it converts.
  std::vector<HdaConverter> converters;
  std::vector<PcmCapsText> own;
  PcmCapsText defaults;
  PcmCapsText* block = nullptr;
  bool inConverter = false;
  while (!text.empty()) {
    const std::string_view raw = TakeLine(text);
    const std::string_view line = Trim(raw);
    if (line.rfind("Node 0x", 0) == 0) {
      block = nullptr;
      const bool output = line.find("[Audio Output]") != std::string_view::npos;
      inConverter = output || line.find("[Audio Input]") != std::string_view::npos;
      if (!inConverter) continue;
      HdaConverter c;
      std::from_chars(line.data() + 7, line.data() + line.size(), c.node, 16);
      c.input = !output;
      const size_t colon = line.find(':');
      const std::string_view words = colon == std::string_view::npos ? "" : line.substr(colon);
      c.digital = words.find("Digital") != std::string_view::npos;
      if (words.find("Stereo") != std::string_view::npos) c.channels = 2;
      if (const size_t n = words.find("-Channels"); n != std::string_view::npos) {
        size_t from = n;
        while (from > 0 && words[from - 1] >= '0' && words[from - 1] <= '9') --from;
        unsigned channels = 0;
        std::from_chars(words.data() + from, words.data() + n, channels);
        // The kernel writes this for more than two; anything else is not a count.
        if (channels > 2) c.channels = channels;
      }
      converters.push_back(std::move(c));
      own.emplace_back();
    } else if (line == "Default PCM:") {
      block = &defaults;
    } else if (line == "PCM:") {
      block = inConverter ? &own.back() : nullptr;
    } else if (block != nullptr && !raw.empty() && raw.front() == ' ') {
      TakePcmLine(line, *block);
    } else if (!raw.empty() && raw.front() != ' ') {
      block = nullptr;  // a line of the codec's own, between the nodes
    }
  }
  for (size_t i = 0; i < converters.size(); ++i) {
    const PcmCapsText& caps = own[i].seen && !own[i].rates.empty() ? own[i] : defaults;
    converters[i].rates = caps.rates;
    converters[i].bits = caps.bits;
    converters[i].floats = caps.floats;
  }
  return converters;
}

namespace {

// The quoted value of `key` in `Device: name="ALC892 Digital", type="SPDIF", device=1`.
std::string_view Quoted(std::string_view line, std::string_view key) {
  const size_t at = line.find(key);
  if (at == std::string_view::npos) return {};
  const std::string_view rest = line.substr(at + key.size());
  return rest.substr(0, rest.find('"'));
}

// Counts one "Pin Default 0x99130110: [Fixed] Speaker at Int ATAPI" line:
// a pin whose connection is not N/A, by its default device.
void TakePin(std::string_view line, unsigned counts[3]) {
  const size_t open = line.find(": [");
  const size_t close = line.find("] ", open);
  if (open == std::string_view::npos || close == std::string_view::npos) return;
  if (line.substr(open + 3, close - open - 3) == "N/A") return;
  const std::string_view device = line.substr(close + 2);
  for (unsigned i = 0; const std::string_view kind : {"Line Out at", "Speaker at", "HP Out at"}) {
    if (device.rfind(kind, 0) == 0) ++counts[i];
    ++i;
  }
}

}  // namespace

HdaOutputs ParseHdaOutputs(std::string_view text) {
  HdaOutputs outputs;
  unsigned pins[3] = {0, 0, 0};  // line-outs, speakers, headphones
  bool inOutput = false;
  while (!text.empty()) {
    const std::string_view line = Trim(TakeLine(text));
    if (line.rfind("Node 0x", 0) == 0) {
      inOutput = line.find("[Audio Output]") != std::string_view::npos;
    } else if (line.rfind("Pin Default ", 0) == 0) {
      TakePin(line, pins);
    } else if (inOutput && line.rfind("Device: ", 0) == 0) {
      const std::string_view number = Trim(line.substr(line.rfind('=') + 1));
      HdaOutputs::Pcm pcm{-1, std::string(Quoted(line, "type=\""))};
      std::from_chars(number.data(), number.data() + number.size(), pcm.device);
      if (pcm.device >= 0 && !pcm.type.empty()) outputs.pcms.push_back(std::move(pcm));
    }
  }
  // The driver takes at most five of a kind.
  for (const unsigned count : pins) {
    if (count == 0) continue;
    outputs.lineOuts = count < 5 ? count : 5;
    break;
  }
  return outputs;
}

std::optional<RunningParams> ParseHwParams(std::string_view text) {
  // "format: S16_LE", "channels: 2", "rate: 48000 (48000/1)"; "closed" else.
  RunningParams params;
  const auto format = ProcField(text, "format");
  const auto channels = ProcField(text, "channels");
  const auto rate = ProcField(text, "rate");
  if (!format || !channels || !rate || format->empty()) return std::nullopt;
  std::from_chars(channels->data(), channels->data() + channels->size(), params.channels);
  std::from_chars(rate->data(), rate->data() + rate->size(), params.rate);
  if (params.channels == 0 || params.rate == 0) return std::nullopt;
  params.format = *format;
  return params;
}

}  // namespace tivrel::alsa
