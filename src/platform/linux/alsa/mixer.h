// The card's mixer, for the record's volume and left-right flags.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tivrel::alsa {

struct MixerElement {
  bool playbackVolume = false;
  bool volumeJoined = false;
  bool stereo = false;
};
// The simple elements of `mixerName`; none when it cannot be opened.
std::vector<MixerElement> ReadMixer(const std::string& mixerName);
// Volume (bit 2) and left-right (bit 3); pitch, playback rate and sync never.
int32_t SupportFlags(const std::vector<MixerElement>& elements);

}  // namespace tivrel::alsa
