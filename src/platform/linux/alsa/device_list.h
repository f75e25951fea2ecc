// The PCM devices of a machine, numbered as the waveform calls number them:
// device 0 is the one the desktop plays through (or records from), then every
// other one in card and device order.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/linux/alsa/proc_parsers.h"

namespace tivrel::alsa {

// One PCM device as the kernel lists it.
struct CardDevice {
  int card = 0;
  int device = 0;
  std::string name;    // "card name: PCM name" (UTF-8), as aplay -l tells them apart
  std::string cardId;  // "PCH"
  std::string driver;  // "HDA-Intel"
  std::string pcmId;   // "ALC892 Analog", "HDMI 0", "Jack Out (*)"
  bool hdmi = false;   // an HDMI or DisplayPort output
  int hdmiIndex = -1;  // which of its card's HDMI outputs, from 0
  Direction stream = Direction::kPlayback;
  std::string HwName() const { return "hw:" + std::to_string(card) + "," + std::to_string(device); }
  bool operator==(const CardDevice&) const = default;
};

// The device's name: the card's, then the PCM's name, or its id where the
// name is empty (SOF names its PCMs by id only: "sof-soundwire: Jack Out (*)").
std::string DeviceName(const std::string& cardName, const std::string& pcmName,
                       const std::string& pcmId);
// Whether an output is HDMI or DisplayPort, by the names of its PCM and card.
bool IsHdmiOutput(const std::string& cardId, const std::string& cardName, const std::string& pcmId,
                  const std::string& pcmName);

// Why device 0 is the device it is, strongest evidence first.
enum class Device0Rule {
  kNone,          // no device at all
  kSoundServer,   // the sound server's default sink is this ALSA device
  kAlsaDefault,   // ALSA's configuration names it (pcm.!default's chain, ALSA_CARD, defaults.pcm)
  kFirstNotHdmi,  // the first card whose first output is not HDMI or DisplayPort
  kFirst,         // every card's first output is HDMI: the first device
};

// A card whose devices could not be listed, and why.
struct UnreadCard {
  int card = 0;
  std::string id;    // "PCH", where the kernel's list of cards gave it
  std::string what;  // "/proc/asound/card2", "hw:2"
  int error = 0;     // errno
  bool operator==(const UnreadCard&) const = default;
};

struct DeviceList {
  std::vector<CardDevice> devices;
  // Cards that the kernel lists but whose devices could be read from none
  // of the sources: they are missing from `devices`.
  std::vector<UnreadCard> unread;
  Device0Rule rule = Device0Rule::kNone;
  std::string why;  // the sink's name, or the ALSA setting that chose device 0
};

struct ListOptions {
  std::filesystem::path root = "/";  // under which /proc and /sys are read
  Direction stream = Direction::kPlayback;
};

// The PCM devices of the stream under the root: from /proc/asound, readable
// by anyone, so that a card the user may not open is still listed; for the
// real root also from ALSA's control interface. No card: an empty list. Each
// call reads the kernel's files afresh: a command makes one list and keeps
// to it.
DeviceList ListCardDevices(const ListOptions& options);
// The playback devices alone.
inline std::vector<CardDevice> EnumeratePlaybackDevices(const std::filesystem::path& root = "/") {
  return ListCardDevices({root}).devices;
}

}  // namespace tivrel::alsa
