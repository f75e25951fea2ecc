/* A playback PCM whose hardware-parameter space is set per device in the
   tests' ALSA configuration, so that hw:C,D opens as on a real machine:
     tivrel_devices.C.D { formats [ S16_LE ] channels [ 1 1 ] rates [ 8000 48000 ] }
     tivrel_devices.C.D { error EBUSY }     (or EACCES, or hwparams)
   A device that is not configured does not exist. */
#include <alsa/asoundlib.h>
#include <alsa/pcm_external.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int Start(snd_pcm_ioplug_t* io) { return io ? 0 : -EINVAL; }
static int Stop(snd_pcm_ioplug_t* io) { return io ? 0 : -EINVAL; }
static snd_pcm_sframes_t Pointer(snd_pcm_ioplug_t* io) { return io ? 0 : -EINVAL; }
static int Close(snd_pcm_ioplug_t* io) {
  free(io);
  return 0;
}

static const snd_pcm_ioplug_callback_t kCallbacks = {
    .start = Start, .stop = Stop, .pointer = Pointer, .close = Close};

/* The two numbers of a "[ min max ]" pair. */
static int Range(snd_config_t* device, const char* key, unsigned int range[2]) {
  snd_config_t* node;
  snd_config_iterator_t i, next;
  int n = 0;
  if (snd_config_search(device, key, &node) < 0) return -EINVAL;
  snd_config_for_each(i, next, node) {
    long value;
    if (n == 2 || snd_config_get_integer(snd_config_iterator_entry(i), &value) < 0) return -EINVAL;
    range[n++] = (unsigned int)value;
  }
  return n == 2 ? 0 : -EINVAL;
}

static int Space(snd_pcm_ioplug_t* io, snd_config_t* device) {
  static const unsigned int access[] = {SND_PCM_ACCESS_RW_INTERLEAVED};
  unsigned int formats[16], channels[2], rates[2];
  int n = 0, err;
  snd_config_t* node;
  snd_config_iterator_t i, next;
  if (snd_config_search(device, "formats", &node) < 0) return -EINVAL;
  snd_config_for_each(i, next, node) {
    const char* name;
    if (n == 16 || snd_config_get_string(snd_config_iterator_entry(i), &name) < 0) return -EINVAL;
    formats[n++] = (unsigned int)snd_pcm_format_value(name);
  }
  if ((err = Range(device, "channels", channels)) < 0 || (err = Range(device, "rates", rates)) < 0)
    return err;
  if ((err = snd_pcm_ioplug_set_param_list(io, SND_PCM_IOPLUG_HW_ACCESS, 1, access)) < 0 ||
      (err = snd_pcm_ioplug_set_param_list(io, SND_PCM_IOPLUG_HW_FORMAT, (unsigned)n, formats)) <
          0 ||
      (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_CHANNELS, channels[0],
                                             channels[1])) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_RATE, rates[0], rates[1])) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_PERIOD_BYTES, 64, 65536)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_PERIODS, 2, 64)) < 0)
    return err;
  return 0;
}

SND_PCM_PLUGIN_DEFINE_FUNC(tivrel) {
  char card[32] = "?";
  long number = -1;
  char key[96];
  snd_config_t *device, *node;
  snd_config_iterator_t i, next;
  snd_pcm_ioplug_t* io;
  int err;
  snd_config_for_each(i, next, conf) {
    snd_config_t* entry = snd_config_iterator_entry(i);
    const char* id;
    if (snd_config_get_id(entry, &id) < 0) continue;
    if (strcmp(id, "card") == 0) {
      char* ascii = NULL;
      if (snd_config_get_ascii(entry, &ascii) == 0) snprintf(card, sizeof card, "%s", ascii);
      free(ascii);
    }
    if (strcmp(id, "device") == 0) snd_config_get_integer(entry, &number);
  }
  snprintf(key, sizeof key, "tivrel_devices.%s.%ld", card, number);
  if (stream != SND_PCM_STREAM_PLAYBACK || snd_config_search(root, key, &device) < 0)
    return -ENOENT;
  if (snd_config_search(device, "error", &node) == 0) {
    const char* error = "";
    snd_config_get_string(node, &error);
    if (strcmp(error, "EBUSY") == 0) return -EBUSY;
    if (strcmp(error, "EACCES") == 0) return -EACCES;
  }
  io = calloc(1, sizeof *io);
  if (!io) return -ENOMEM;
  io->version = SND_PCM_IOPLUG_VERSION;
  io->name = "tivrel test PCM";
  io->callback = &kCallbacks;
  if ((err = snd_pcm_ioplug_create(io, name, stream, mode)) < 0) {
    free(io);
    return err;
  }
  /* hwparams: an empty format list, so that no space is left at all. */
  if ((err = snd_config_search(device, "error", &node) == 0
                 ? snd_pcm_ioplug_set_param_list(io, SND_PCM_IOPLUG_HW_FORMAT, 0, NULL)
                 : Space(io, device)) < 0) {
    snd_pcm_ioplug_delete(io);
    return err;
  }
  *pcmp = io->pcm;
  return 0;
}
SND_PCM_PLUGIN_SYMBOL(tivrel);
