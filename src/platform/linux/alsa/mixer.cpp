#include "platform/linux/alsa/mixer.h"

#include <alsa/asoundlib.h>

#include <memory>

namespace tivrel::alsa {

namespace {

struct MixerClose {
  void operator()(snd_mixer_t* p) const { snd_mixer_close(p); }
};
using Mixer = std::unique_ptr<snd_mixer_t, MixerClose>;

}  // namespace

std::vector<MixerElement> ReadMixer(const std::string& mixerName) {
  std::vector<MixerElement> elements;
  snd_mixer_t* raw = nullptr;
  if (snd_mixer_open(&raw, 0) < 0) return elements;
  const Mixer mixer(raw);  // closing it frees the elements and the attached ctl
  if (snd_mixer_attach(mixer.get(), mixerName.c_str()) < 0 ||
      snd_mixer_selem_register(mixer.get(), nullptr, nullptr) < 0 ||
      snd_mixer_load(mixer.get()) < 0) {
    return elements;
  }
  for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer.get()); e; e = snd_mixer_elem_next(e)) {
    MixerElement m;
    m.playbackVolume = snd_mixer_selem_has_playback_volume(e) != 0;
    m.volumeJoined = snd_mixer_selem_has_playback_volume_joined(e) != 0;
    m.stereo = snd_mixer_selem_is_playback_mono(e) == 0 &&
               snd_mixer_selem_has_playback_channel(e, SND_MIXER_SCHN_FRONT_LEFT) != 0 &&
               snd_mixer_selem_has_playback_channel(e, SND_MIXER_SCHN_FRONT_RIGHT) != 0;
    elements.push_back(m);
  }
  return elements;
}

int32_t SupportFlags(const std::vector<MixerElement>& elements) {
  constexpr int32_t kVolume = 0x0004, kLeftRight = 0x0008;
  int32_t flags = 0;
  for (const auto& e : elements) {
    if (!e.playbackVolume) continue;
    flags |= kVolume;
    if (!e.volumeJoined && e.stereo) flags |= kLeftRight;
  }
  return flags;
}

}  // namespace tivrel::alsa
