// The card's controls, for the record's volume and left-right flags.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
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

// The channel count of the PCM's own channel map control ("Playback Channel
// Map", which the kernel sizes to the PCM's largest channel count); nothing
// where the driver has none.
std::optional<unsigned> ChannelMapCount(const CardDevice& pcm);
// The channels of the codec's current "Channel Mode" ("2ch", "6ch"), which
// drivers without channel maps have; nothing where the card has none.
std::optional<unsigned> ChannelModeChannels(int card);

// What an output's converter is: an analog one, S/PDIF, or HDMI/DisplayPort.
enum class OutputKind { kAnalog, kSpdif, kHdmi };
// By the codec's own word where the card is an HDA card (the converter's
// type in /proc/asound/cardN/codec#M), else by the PCM's names.
OutputKind KindOfOutput(const std::filesystem::path& root, const CardDevice& output);

// Volume (bit 2) and left-right (bit 3) of one output; pitch, playback rate
// and sync never. A digital output counts only its own controls, never the
// card's analog Master, PCM, Speaker or Headphone: an HDMI or DisplayPort
// output its device's, or those of its index that name HDMI; an S/PDIF
// output those that name IEC958 or S/PDIF (switches, on the cards seen).
int32_t SupportFlags(const std::vector<MixerControl>& controls, const CardDevice& output,
                     OutputKind kind);
// The same with the output's kind told by its names alone.
int32_t SupportFlags(const std::vector<MixerControl>& controls, const CardDevice& output);
// The same for the output as its card's control device and codec tell.
int32_t OutputFlags(const std::filesystem::path& root, const CardDevice& output);

}  // namespace tivrel::alsa
