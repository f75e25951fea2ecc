#include "platform/linux/alsa/default_pcm.h"

#include <alsa/asoundlib.h>

#include <charconv>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <system_error>

#include "platform/linux/alsa/alsa_owned.h"

namespace tivrel::alsa {

namespace {

TopConfig LoadTop() {
  snd_config_t* top = nullptr;
  if (snd_config_update_ref(&top) < 0 || top == nullptr) return nullptr;
  return TopConfig(top);
}

// A leaf's value as text; nothing for a compound or a missing key.
std::optional<std::string> LeafText(snd_config_t* parent, const char* key) {
  snd_config_t* node = nullptr;
  if (snd_config_search(parent, key, &node) < 0) return std::nullopt;
  if (snd_config_get_type(node) == SND_CONFIG_TYPE_COMPOUND) return std::nullopt;
  char* raw = nullptr;
  if (snd_config_get_ascii(node, &raw) < 0) return std::nullopt;
  std::string text = raw;
  std::free(raw);
  return text;
}

// alsa-lib's own default: an "empty" PCM whose slave is the card's own
// definition, chosen by a function at open time (pcm/default.conf), perhaps
// reached by the alias "cards.pcm.default" (alsa.conf). Which card and device
// it takes is the defaults' and the environment's to say.
bool IsLibraryDefault(snd_config_t* top) {
  snd_config_t* node = nullptr;
  if (snd_config_search(top, "pcm.default", &node) < 0) return false;
  const char* alias = nullptr;
  for (int step = 0; step < 8 && snd_config_get_string(node, &alias) >= 0; ++step) {
    if (std::string_view(alias).rfind("cards.", 0) == 0) return true;
    if (snd_config_search(top, alias, &node) < 0) return false;
  }
  snd_config_t* function = nullptr;
  return LeafText(node, "type") == "empty" &&
         snd_config_search(node, "slave.pcm.@func", &function) >= 0;
}

// The PCM that a plugin of `type` plays or records through: an asym's PCM
// of the stream, else its slave's (slave.pcm, or a pcm_slave named by
// "slave NAME"). Nothing for a plugin without one (null, a sound server).
snd_config_t* SlavePcm(snd_config_t* top, snd_config_t* definition, const std::string& type,
                       Direction stream, std::vector<OwnedConfig>& keep) {
  snd_config_t* node = nullptr;
  // dmix only plays and dsnoop only records: the other stream opens nothing.
  if (type == (stream == Direction::kCapture ? "dmix" : "dsnoop")) return nullptr;
  if (type == "asym") {
    const char* key = stream == Direction::kCapture ? "capture.pcm" : "playback.pcm";
    return snd_config_search(definition, key, &node) >= 0 ? node : nullptr;
  }
  if (snd_config_search(definition, "slave.pcm", &node) >= 0) return node;
  const char* name = nullptr;
  if (snd_config_search(definition, "slave", &node) < 0 || snd_config_get_string(node, &name) < 0) {
    return nullptr;
  }
  snd_config_t* slave = nullptr;
  if (snd_config_search_definition(top, "pcm_slave", name, &slave) < 0) return nullptr;
  keep.emplace_back(slave);
  return snd_config_search(slave, "pcm", &node) >= 0 ? node : nullptr;
}

// A PCM named ("hw:0,9", "dmixer"), looked up and expanded with its
// arguments, as snd_pcm_open looks it up.
snd_config_t* Named(snd_config_t* top, const char* name, std::vector<OwnedConfig>& keep,
                    bool& namedHw) {
  snd_config_t* definition = nullptr;
  if (snd_config_search_definition(top, "pcm", name, &definition) < 0) return nullptr;
  keep.emplace_back(definition);
  const std::string_view text = name;
  // "hw:C,D" names the card's hardware device, however pcm.hw is defined.
  namedHw = text == "hw" || text.rfind("hw:", 0) == 0;
  return definition;
}

// One step of the chain: a PCM named is looked up; one written in place is
// taken as it is.
snd_config_t* Definition(snd_config_t* top, snd_config_t* pcm, std::vector<OwnedConfig>& keep,
                         bool& namedHw) {
  namedHw = false;
  if (snd_config_get_type(pcm) == SND_CONFIG_TYPE_COMPOUND) return pcm;
  const char* name = nullptr;
  return snd_config_get_string(pcm, &name) < 0 ? nullptr : Named(top, name, keep, namedHw);
}

// What "default" names: itself, or the PCM that `pcm.!default "plughw:1"`
// points to, as snd_pcm_open follows such an alias.
std::string DefaultName(snd_config_t* top) {
  std::string name = "default";
  snd_config_t* node = nullptr;
  const char* alias = nullptr;
  for (int hop = 0; hop < 8 && snd_config_search(top, ("pcm." + name).c_str(), &node) >= 0 &&
                    snd_config_get_string(node, &alias) >= 0;
       ++hop) {
    name = alias;
  }
  return name;
}

std::optional<DefaultPcm> HardwareEnd(snd_config_t* definition, const std::vector<CardEntry>& cards,
                                      std::string chain) {
  const auto card = LeafText(definition, "card");
  const auto index = card ? CardIndex(*card, cards) : std::nullopt;
  if (!index) return std::nullopt;
  DefaultPcm end{*index, 0, {}};
  if (const auto device = LeafText(definition, "device")) {
    const auto parsed =
        std::from_chars(device->data(), device->data() + device->size(), end.device);
    if (parsed.ec != std::errc{} || end.device < 0) return std::nullopt;
  }
  end.chain = chain + " → hw:" + std::to_string(end.card) + "," + std::to_string(end.device);
  return end;
}

}  // namespace

std::optional<int> CardIndex(const std::string& text, const std::vector<CardEntry>& cards) {
  int number = -1;
  const auto parsed = std::from_chars(text.data(), text.data() + text.size(), number);
  if (parsed.ec == std::errc{} && parsed.ptr == text.data() + text.size() && number >= 0) {
    return number;
  }
  for (const auto& card : cards) {
    if (card.id == text) return card.index;
  }
  return std::nullopt;
}

std::optional<std::string> ConfigSetting(const char* key) {
  const TopConfig top = LoadTop();
  snd_config_t* node = nullptr;
  if (!top || snd_config_search(top.get(), key, &node) < 0) return std::nullopt;
  snd_config_t* rawExpanded = nullptr;
  if (snd_config_expand(node, top.get(), nullptr, nullptr, &rawExpanded) < 0) return std::nullopt;
  const OwnedConfig expanded(rawExpanded);
  char* raw = nullptr;
  if (snd_config_get_ascii(expanded.get(), &raw) < 0) return std::nullopt;
  std::string text = raw;
  std::free(raw);
  return text;
}

std::optional<DefaultPcm> ResolveDefaultPcm(Direction stream, const std::vector<CardEntry>& cards) {
  const TopConfig top = LoadTop();
  if (!top || IsLibraryDefault(top.get())) return std::nullopt;
  std::vector<OwnedConfig> keep;
  bool namedHw = false;
  const std::string name = DefaultName(top.get());
  snd_config_t* definition = Named(top.get(), name.c_str(), keep, namedHw);
  std::string chain = "default";
  // A chain longer than any real one is a loop in the configuration.
  for (int step = 0; step < 16 && definition != nullptr; ++step) {
    const auto type = LeafText(definition, "type");
    if (!type) return std::nullopt;
    if (*type == "hw" || namedHw) return HardwareEnd(definition, cards, chain);
    if (*type != "empty") chain += " → " + *type;
    snd_config_t* slave = SlavePcm(top.get(), definition, *type, stream, keep);
    definition = slave ? Definition(top.get(), slave, keep, namedHw) : nullptr;
  }
  return std::nullopt;
}

}  // namespace tivrel::alsa
