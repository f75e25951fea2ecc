// The card's controls, for the record's volume and left-right flags.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/linux/alsa/device_list.h"

namespace tivrel::alsa {

// One mixer control of a card, as its control device lists it.
struct MixerControl {
  std::string name;     // "Master Playback Volume"
  unsigned index = 0;   // tells controls of the same name apart (one per HDMI output)
  unsigned device = 0;  // the PCM device it belongs to, where the driver says
  unsigned values = 0;  // 2 and more: each channel has its own value
  bool volume = false;  // an integer playback volume
  bool operator==(const MixerControl&) const = default;
};
// The controls of `ctlName` ("hw:C"); none when it cannot be opened.
std::vector<MixerControl> ReadControls(const std::string& ctlName);

// Volume (bit 2) and left-right (bit 3) of one output; pitch, playback rate
// and sync never. An HDMI or DisplayPort output counts only its own controls
// (its device's, or those of its index that name HDMI), never the card's
// analog Master, PCM, Speaker or Headphone.
int32_t SupportFlags(const std::vector<MixerControl>& controls, const CardDevice& output);

}  // namespace tivrel::alsa
