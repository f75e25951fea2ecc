#include "platform/linux/alsa/mixer.h"

#include <alsa/asoundlib.h>

#include <charconv>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/linux/alsa/alsa_owned.h"
#include "platform/linux/alsa/kernel_files.h"

namespace tivrel::alsa {

namespace {

struct ElemListFree {
  void operator()(snd_ctl_elem_list_t* p) const {
    snd_ctl_elem_list_free_space(p);
    snd_ctl_elem_list_free(p);
  }
};

bool EndsWith(std::string_view s, std::string_view end) {
  return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}
bool StartsWith(std::string_view s, std::string_view start) {
  return s.substr(0, start.size()) == start;
}
bool Contains(std::string_view s, std::string_view part) {
  return s.find(part) != std::string_view::npos;
}

// The card-wide controls of the analog outputs.
bool IsAnalogControl(std::string_view name) {
  for (std::string_view word : {"Master", "PCM", "Speaker", "Headphone", "Front", "Surround",
                                "Center", "LFE", "Side", "Line Out", "Bass Speaker", "Mono"}) {
    if (StartsWith(name, word)) return true;
  }
  return false;
}

bool Belongs(const MixerControl& c, const CardDevice& output, OutputKind kind) {
  if (kind == OutputKind::kAnalog) return true;
  if (IsAnalogControl(c.name)) return false;
  if (c.device != 0 && c.device == static_cast<unsigned>(output.device)) return true;
  if (kind == OutputKind::kSpdif) {
    return !Contains(c.name, "HDMI") &&
           (Contains(c.name, "IEC958") || Contains(c.name, "SPDIF") || Contains(c.name, "S/PDIF"));
  }
  const bool digital =
      Contains(c.name, "HDMI") || Contains(c.name, "IEC958") || Contains(c.name, "DisplayPort");
  return digital && c.index == static_cast<unsigned>(output.hdmiIndex);
}

// An S/PDIF PCM by its id, where no codec file says: "ALC892 Digital".
bool NamedSpdif(const CardDevice& output) {
  for (std::string_view word : {"Digital", "IEC958", "SPDIF", "S/PDIF"}) {
    if (Contains(output.pcmId, word)) return true;
  }
  return false;
}

}  // namespace

namespace {

// The card's control device and the description of one of its controls.
struct FoundControl {
  Ctl ctl;
  ElemInfo info;
};
std::optional<FoundControl> FindControl(int card, snd_ctl_elem_iface_t iface, const char* name,
                                        unsigned device) {
  snd_ctl_t* rawCtl = nullptr;
  if (snd_ctl_open(&rawCtl, ("hw:" + std::to_string(card)).c_str(), SND_CTL_NONBLOCK) < 0) {
    return std::nullopt;
  }
  FoundControl found{Ctl(rawCtl), nullptr};
  snd_ctl_elem_info_t* rawInfo = nullptr;
  if (snd_ctl_elem_info_malloc(&rawInfo) < 0) return std::nullopt;
  found.info.reset(rawInfo);
  snd_ctl_elem_info_set_interface(rawInfo, iface);
  snd_ctl_elem_info_set_name(rawInfo, name);
  snd_ctl_elem_info_set_device(rawInfo, device);
  if (snd_ctl_elem_info(found.ctl.get(), rawInfo) < 0) return std::nullopt;
  return found;
}

}  // namespace

std::optional<unsigned> ChannelMapCount(const CardDevice& pcm) {
  const char* name =
      pcm.stream == Direction::kCapture ? "Capture Channel Map" : "Playback Channel Map";
  const auto found =
      FindControl(pcm.card, SND_CTL_ELEM_IFACE_PCM, name, static_cast<unsigned>(pcm.device));
  if (!found) return std::nullopt;
  const unsigned count = snd_ctl_elem_info_get_count(found->info.get());
  return count > 0 ? std::optional<unsigned>(count) : std::nullopt;
}

std::optional<unsigned> ChannelModeChannels(int card) {
  auto found = FindControl(card, SND_CTL_ELEM_IFACE_MIXER, "Channel Mode", 0);
  if (!found || snd_ctl_elem_info_get_type(found->info.get()) != SND_CTL_ELEM_TYPE_ENUMERATED) {
    return std::nullopt;
  }
  snd_ctl_elem_value_t* rawValue = nullptr;
  if (snd_ctl_elem_value_malloc(&rawValue) < 0) return std::nullopt;
  const ElemValue value(rawValue);
  snd_ctl_elem_info_t* info = found->info.get();
  snd_ctl_elem_value_set_interface(rawValue, SND_CTL_ELEM_IFACE_MIXER);
  snd_ctl_elem_value_set_name(rawValue, "Channel Mode");
  if (snd_ctl_elem_read(found->ctl.get(), rawValue) < 0) return std::nullopt;
  // The current item's name, "6ch", says the count.
  snd_ctl_elem_info_set_item(info, snd_ctl_elem_value_get_enumerated(rawValue, 0));
  if (snd_ctl_elem_info(found->ctl.get(), info) < 0) return std::nullopt;
  const std::string_view item = snd_ctl_elem_info_get_item_name(info);
  unsigned channels = 0;
  const auto parsed = std::from_chars(item.data(), item.data() + item.size(), channels);
  if (parsed.ec != std::errc{} || item.substr(parsed.ptr - item.data()) != "ch" || channels == 0) {
    return std::nullopt;
  }
  return channels;
}

std::vector<MixerControl> ReadControls(const std::string& ctlName) {
  std::vector<MixerControl> controls;
  snd_ctl_t* rawCtl = nullptr;
  if (snd_ctl_open(&rawCtl, ctlName.c_str(), SND_CTL_NONBLOCK) < 0) return controls;
  const Ctl ctl(rawCtl);
  snd_ctl_elem_list_t* rawList = nullptr;
  snd_ctl_elem_info_t* rawInfo = nullptr;
  if (snd_ctl_elem_list_malloc(&rawList) < 0) return controls;
  const std::unique_ptr<snd_ctl_elem_list_t, ElemListFree> list(rawList);
  if (snd_ctl_elem_info_malloc(&rawInfo) < 0) return controls;
  const ElemInfo info(rawInfo);
  if (snd_ctl_elem_list(ctl.get(), list.get()) < 0) return controls;
  const unsigned count = snd_ctl_elem_list_get_count(list.get());
  if (snd_ctl_elem_list_alloc_space(list.get(), count) < 0 ||
      snd_ctl_elem_list(ctl.get(), list.get()) < 0) {
    return controls;
  }
  for (unsigned i = 0; i < snd_ctl_elem_list_get_used(list.get()); ++i) {
    snd_ctl_elem_info_set_numid(info.get(), snd_ctl_elem_list_get_numid(list.get(), i));
    if (snd_ctl_elem_info(ctl.get(), info.get()) < 0) continue;
    if (snd_ctl_elem_info_get_interface(info.get()) != SND_CTL_ELEM_IFACE_MIXER) continue;
    MixerControl c;
    c.name = snd_ctl_elem_info_get_name(info.get());
    c.index = snd_ctl_elem_info_get_index(info.get());
    c.device = snd_ctl_elem_info_get_device(info.get());
    c.values = snd_ctl_elem_info_get_count(info.get());
    c.volume = snd_ctl_elem_info_get_type(info.get()) == SND_CTL_ELEM_TYPE_INTEGER &&
               EndsWith(c.name, "Playback Volume");
    controls.push_back(std::move(c));
  }
  return controls;
}

OutputKind KindOfOutput(const std::filesystem::path& root, const CardDevice& output) {
  if (output.hdmi) return OutputKind::kHdmi;
  if (output.driver == "HDA-Intel") {
    for (const auto& codec : ReadHdaOutputs(root, output.card)) {
      for (const auto& pcm : codec.value.pcms) {
        if (pcm.device != output.device) continue;
        if (pcm.type == "SPDIF") return OutputKind::kSpdif;
        return pcm.type == "HDMI" ? OutputKind::kHdmi : OutputKind::kAnalog;
      }
    }
  }
  return NamedSpdif(output) ? OutputKind::kSpdif : OutputKind::kAnalog;
}

int32_t SupportFlags(const std::vector<MixerControl>& controls, const CardDevice& output) {
  const OutputKind kind = output.hdmi          ? OutputKind::kHdmi
                          : NamedSpdif(output) ? OutputKind::kSpdif
                                               : OutputKind::kAnalog;
  return SupportFlags(controls, output, kind);
}

int32_t OutputFlags(const std::filesystem::path& root, const CardDevice& output) {
  const auto controls = ReadControls("hw:" + std::to_string(output.card));
  return SupportFlags(controls, output, KindOfOutput(root, output));
}

int32_t SupportFlags(const std::vector<MixerControl>& controls, const CardDevice& output,
                     OutputKind kind) {
  constexpr int32_t kVolume = 0x0004, kLeftRight = 0x0008;
  int32_t flags = 0;
  for (const auto& c : controls) {
    if (!c.volume || !Belongs(c, output, kind)) continue;
    flags |= kVolume;
    if (c.values >= 2) flags |= kLeftRight;
  }
  return flags;
}

}  // namespace tivrel::alsa
