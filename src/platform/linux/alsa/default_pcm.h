// The hardware device behind ALSA's "default" PCM, found the way alsa-lib
// finds it: its configuration (ALSA_CONFIG_PATH, the files that @hooks load)
// searched and expanded by alsa-lib itself, one plugin's slave after another.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/linux/alsa/proc_parsers.h"

namespace tivrel::alsa {

// Where the default PCM's chain ends on hardware.
struct DefaultPcm {
  int card = -1;
  int device = 0;
  std::string chain;  // "default → plug → dmix → hw:0,9"
  bool operator==(const DefaultPcm&) const = default;
};

// The user's or the system's own "default" for the stream, followed through
// plug, dmix, dsnoop, softvol, asym, route and the like to its hw slave.
// Nothing where there is no such definition, where it is alsa-lib's own
// card-driven default (defaults.pcm.card and defaults.pcm.device decide
// that), or where the chain ends elsewhere (null, file output alone, a sound
// server's plugin).
std::optional<DefaultPcm> ResolveDefaultPcm(Direction stream, const std::vector<CardEntry>& cards);

// A card as ALSA's configuration and environment give it: a number or an id.
std::optional<int> CardIndex(const std::string& text, const std::vector<CardEntry>& cards);

// The setting's value as text, its functions (getenv, refer) evaluated;
// nothing where ALSA's configuration cannot be loaded or lacks the key.
std::optional<std::string> ConfigSetting(const char* key);

}  // namespace tivrel::alsa
