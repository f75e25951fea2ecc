// The kernel's sound files of one machine: /proc/asound and /sys/class/sound
// under a root, read without ever blocking.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/alsa/proc_parsers.h"

namespace tivrel::alsa {

// At most `limit` bytes of a regular file, opened without blocking so that a
// FIFO in its place cannot hang the caller; anything else gives nothing.
std::optional<std::string> ReadSmallFile(const std::filesystem::path& path, size_t limit = 4096);

// /proc/asound/cards; none when it cannot be read.
std::vector<CardEntry> ReadCards(const std::filesystem::path& root);
struct CardIds {
  uint16_t vendor = 0;
  uint16_t product = 0;
  bool operator==(const CardIds&) const = default;
};
// The ids of the nearest PCI function or USB device, walking up from the
// card's device in sysfs (an SOF card's device is a platform device under the
// PCI function; a USB card's is an interface of the USB device); else the USB
// ids in procfs; else zeros (a virtual card, a SoC).
CardIds ReadCardIds(const std::filesystem::path& root, int card);
// The ALSA driver version, 0 when unknown.
int32_t ReadDriverVersion(const std::filesystem::path& root);
// One PCM of a card: /proc/asound/cardC/pcmDp (or pcmDc), where its files are.
struct PcmFiles {
  std::filesystem::path root;
  int card = 0;
  int device = 0;
  Direction stream = Direction::kPlayback;
  std::filesystem::path Dir() const;
  // The same as the kernel names it, "/proc/asound/cardC/pcmDp/" + file.
  std::string Name(const std::string& file) const;
};
// The kernel says that no substream of the PCM is free.
bool NoFreeSubstream(const PcmFiles& pcm);
// The command name of the program holding the PCM's first substream; empty
// when the kernel does not say.
std::string ReadHolder(const PcmFiles& pcm);
// A USB device's own description of the PCM, /proc/asound/cardC/streamD, as
// "/proc/..." and its altsets; none when there is no such file.
struct UsbStream {
  std::string file;
  std::vector<UsbAltset> altsets;
};
std::optional<UsbStream> ReadUsbStream(const PcmFiles& pcm);
// A file the description was read from, as "/proc/..." (whatever the root),
// with what it said.
template <typename T>
struct Described {
  std::string file;
  T value;
};
// The HDA codecs of a card, codec#0 on, with their converters. Each card's
// codec files are read once until ForgetCodecFiles(), which a new device
// list calls.
void ForgetCodecFiles();
// The HDA codecs of a card, codec#0 on, with their converters.
std::vector<Described<std::vector<HdaConverter>>> ReadHdaCodecs(const std::filesystem::path& root,
                                                                int card);
// The same codecs' playback PCMs and line-outs.
std::vector<Described<HdaOutputs>> ReadHdaOutputs(const std::filesystem::path& root, int card);
// What the PCM's first substream plays (or records) now; nothing when it is closed.
std::optional<Described<RunningParams>> ReadRunningParams(const PcmFiles& pcm);

}  // namespace tivrel::alsa
