#include "platform/linux/alsa/sink_device.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace tivrel::alsa {

namespace {

std::optional<int> Whole(std::string_view text) {
  int value = -1;
  const auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
  if (parsed.ec != std::errc{} || parsed.ptr != text.data() + text.size() || value < 0) {
    return std::nullopt;
  }
  return value;
}

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// PCMs whose DEV argument, if any, is the card's device number. hdmi, iec958
// and spdif number their outputs instead; plug and plugins of other kinds
// name no card here at all.
bool NamesCardDevice(std::string_view pcm) {
  static constexpr std::string_view kNames[] = {
      "hw", "plughw", "dmix", "front", "rear", "center_lfe", "side", "sysdefault", "default"};
  return std::find(std::begin(kNames), std::end(kNames), pcm) != std::end(kNames) ||
         pcm.substr(0, 8) == "surround";
}

// "hw:1,0", "front:CARD=PCH,DEV=0", "hw:sofhdadsp,4", "_ucm0001.hw:PCH,0".
std::optional<std::pair<int, int>> DeviceOfPcmName(std::string_view name,
                                                   const std::vector<CardEntry>& cards) {
  name = Trimmed(name);
  // A PCM that ALSA's use-case manager opened carries its own prefix.
  if (name.substr(0, 4) == "_ucm" && name.find('.') != std::string_view::npos) {
    name.remove_prefix(name.find('.') + 1);
  }
  const auto colon = name.find(':');
  if (colon == std::string_view::npos || !NamesCardDevice(name.substr(0, colon))) {
    return std::nullopt;
  }
  std::string_view args = name.substr(colon + 1);
  std::optional<std::string_view> card, device;
  for (int position = 0; !args.empty(); ++position) {
    const auto comma = args.find(',');
    std::string_view arg = args.substr(0, comma);
    args = comma == std::string_view::npos ? std::string_view() : args.substr(comma + 1);
    std::string_view key = position == 0 ? "CARD" : position == 1 ? "DEV" : "SUBDEV";
    if (const auto equals = arg.find('='); equals != std::string_view::npos) {
      key = arg.substr(0, equals);
      arg = arg.substr(equals + 1);
    }
    if (arg.size() >= 2 && arg.front() == '"' && arg.back() == '"') {
      arg = arg.substr(1, arg.size() - 2);
    }
    if (key == "CARD") card = arg;
    if (key == "DEV") device = arg;
  }
  if (!card) return std::nullopt;
  std::optional<int> cardIndex = Whole(*card);
  for (const auto& entry : cards) {
    if (!cardIndex && entry.id == *card) cardIndex = entry.index;
  }
  const std::optional<int> deviceIndex = device ? Whole(*device) : 0;
  if (!cardIndex || !deviceIndex) return std::nullopt;
  return std::pair(*cardIndex, *deviceIndex);
}

}  // namespace

std::optional<std::pair<int, int>> AlsaDeviceOfSink(
    const std::map<std::string, std::string>& properties, const std::vector<CardEntry>& cards) {
  const auto value = [&](const char* key) -> std::optional<std::string_view> {
    const auto it = properties.find(key);
    if (it == properties.end()) return std::nullopt;
    return it->second;
  };
  if (value("device.api") != "alsa") return std::nullopt;
  // Both come from the PCM the server opened; alone, alsa.device is that of a
  // plugin without a card and means nothing.
  const auto card = value("alsa.card"), device = value("alsa.device");
  if (card && device) {
    const auto c = Whole(Trimmed(*card)), d = Whole(Trimmed(*device));
    if (c && d) return std::pair(*c, *d);
  }
  for (const char* key : {"api.alsa.path", "device.string"}) {
    if (const auto pcm = value(key)) {
      if (const auto found = DeviceOfPcmName(*pcm, cards)) return found;
    }
  }
  return std::nullopt;
}

}  // namespace tivrel::alsa
