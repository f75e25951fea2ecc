// ALSA objects held so that each is released on every path, the early
// returns included.
#pragma once

#include <alsa/asoundlib.h>

#include <memory>

namespace tivrel::alsa {

struct PcmClose {
  void operator()(snd_pcm_t* p) const { snd_pcm_close(p); }
};
struct HwParamsFree {
  void operator()(snd_pcm_hw_params_t* p) const { snd_pcm_hw_params_free(p); }
};
using Pcm = std::unique_ptr<snd_pcm_t, PcmClose>;
using HwParams = std::unique_ptr<snd_pcm_hw_params_t, HwParamsFree>;

// A parameter space, or null when there is no memory for one.
inline HwParams NewHwParams() {
  snd_pcm_hw_params_t* p = nullptr;
  if (snd_pcm_hw_params_malloc(&p) < 0) return nullptr;
  return HwParams(p);
}

}  // namespace tivrel::alsa
