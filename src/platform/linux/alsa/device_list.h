// The playback devices of a machine, numbered as the waveform calls number
// them: device 0 first, then every other one in card and device order.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tivrel::alsa {

// One playback PCM device as the kernel lists it.
struct CardDevice {
  int card = 0;
  int device = 0;
  std::string name;    // "card name: PCM name" (UTF-8)
  std::string cardId;  // "PCH"
  std::string driver;  // "HDA-Intel"
  std::string HwName() const { return "hw:" + std::to_string(card) + "," + std::to_string(device); }
  bool operator==(const CardDevice&) const = default;
};

// "HDA Intel PCH: ALC892 Analog"; the card's name alone for a nameless PCM.
std::string DeviceName(const std::string& cardName, const std::string& pcmName);

// The playback PCM devices under `root`: from /proc/asound, readable by
// anyone, so that a card the user may not open is still listed; for the real
// root also from ALSA's control interface. The first playback device of ALSA's
// default card (defaults.pcm.card, else card 0) comes first, then the others in
// card and device order. No card: an empty list. Each call reads the kernel's
// files afresh: a command makes one list and keeps to it.
std::vector<CardDevice> EnumeratePlaybackDevices(const std::filesystem::path& root = "/");

}  // namespace tivrel::alsa
