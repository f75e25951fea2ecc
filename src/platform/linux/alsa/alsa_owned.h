// ALSA's objects, each released on every path (the early returns included)
// by the call that frees it.
#pragma once

#include <alsa/asoundlib.h>

#include <memory>

namespace tivrel::alsa {

template <auto Free>
struct FreeWith {
  template <typename T>
  void operator()(T* p) const {
    Free(p);
  }
};
template <typename T, auto Free>
using Owned = std::unique_ptr<T, FreeWith<Free>>;

using Pcm = Owned<snd_pcm_t, snd_pcm_close>;
using HwParams = Owned<snd_pcm_hw_params_t, snd_pcm_hw_params_free>;
using PcmInfo = Owned<snd_pcm_info_t, snd_pcm_info_free>;
using Ctl = Owned<snd_ctl_t, snd_ctl_close>;
using CardInfo = Owned<snd_ctl_card_info_t, snd_ctl_card_info_free>;
using ElemInfo = Owned<snd_ctl_elem_info_t, snd_ctl_elem_info_free>;
using ElemValue = Owned<snd_ctl_elem_value_t, snd_ctl_elem_value_free>;
using OwnedConfig = Owned<snd_config_t, snd_config_delete>;  // a node of our own making
using TopConfig = Owned<snd_config_t, snd_config_unref>;     // a reference to the library's

}  // namespace tivrel::alsa
