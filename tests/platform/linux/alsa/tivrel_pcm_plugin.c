/* A PCM whose hardware-parameter space is set per device in the tests' ALSA
   configuration, so that hw:C,D opens as on a real machine:
     tivrel_devices.C.D { formats [ S16_LE ] channels [ 1 1 ] rates [ 8000 48000 ] }
     tivrel_devices.C.D { formats [ S16_LE ] channels [ 2 2 ] rate_list [ 44100 48000 ] }
     tivrel_devices.C.D { error EBUSY }     (or EACCES, ENODEV, or hwparams)
   rates is a continuous range; rate_list the rates a codec or a USB
   interface takes one by one. A capture stream is set the same way under
   tivrel_capture.C.D. A device that is not configured does not exist. */
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

/* The numbers of a "[ a b ... ]" list, at most max of them: how many. */
static int Numbers(snd_config_t* node, unsigned int* numbers, int max) {
  snd_config_iterator_t i, next;
  int n = 0;
  snd_config_for_each(i, next, node) {
    long value;
    if (n == max || snd_config_get_integer(snd_config_iterator_entry(i), &value) < 0)
      return -EINVAL;
    numbers[n++] = (unsigned int)value;
  }
  return n;
}

/* The two numbers of a "[ min max ]" pair. */
static int Range(snd_config_t* device, const char* key, unsigned int range[2]) {
  snd_config_t* node;
  if (snd_config_search(device, key, &node) < 0) return -EINVAL;
  return Numbers(node, range, 2) == 2 ? 0 : -EINVAL;
}

/* The rates: a rate_list where one is given, else the rates range. */
static int Rates(snd_pcm_ioplug_t* io, snd_config_t* device) {
  unsigned int rates[16];
  snd_config_t* node;
  int n;
  if (snd_config_search(device, "rate_list", &node) == 0) {
    if ((n = Numbers(node, rates, 16)) <= 0) return -EINVAL;
    return snd_pcm_ioplug_set_param_list(io, SND_PCM_IOPLUG_HW_RATE, (unsigned)n, rates);
  }
  if ((n = Range(device, "rates", rates)) < 0) return n;
  return snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_RATE, rates[0], rates[1]);
}

static int Space(snd_pcm_ioplug_t* io, snd_config_t* device) {
  static const unsigned int access[] = {SND_PCM_ACCESS_RW_INTERLEAVED};
  unsigned int formats[16], channels[2];
  int n = 0, err;
  snd_config_t* node;
  snd_config_iterator_t i, next;
  if (snd_config_search(device, "formats", &node) < 0) return -EINVAL;
  snd_config_for_each(i, next, node) {
    const char* name;
    if (n == 16 || snd_config_get_string(snd_config_iterator_entry(i), &name) < 0) return -EINVAL;
    formats[n++] = (unsigned int)snd_pcm_format_value(name);
  }
  if ((err = Range(device, "channels", channels)) < 0) return err;
  if ((err = snd_pcm_ioplug_set_param_list(io, SND_PCM_IOPLUG_HW_ACCESS, 1, access)) < 0 ||
      (err = snd_pcm_ioplug_set_param_list(io, SND_PCM_IOPLUG_HW_FORMAT, (unsigned)n, formats)) <
          0 ||
      (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_CHANNELS, channels[0],
                                             channels[1])) < 0 ||
      (err = Rates(io, device)) < 0 ||
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
  snprintf(key, sizeof key, "%s.%s.%ld",
           stream == SND_PCM_STREAM_CAPTURE ? "tivrel_capture" : "tivrel_devices", card, number);
  if (snd_config_search(root, key, &device) < 0) return -ENOENT;
  if (snd_config_search(device, "error", &node) == 0) {
    const char* error = "";
    snd_config_get_string(node, &error);
    if (strcmp(error, "EBUSY") == 0) return -EBUSY;
    if (strcmp(error, "EACCES") == 0) return -EACCES;
    if (strcmp(error, "ENODEV") == 0) return -ENODEV;
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

/* A card's control device with the mixer controls set per card in the tests'
   ALSA configuration, so that hw:C's controls read as on a real machine:
     tivrel_controls.C [ { name "Master Playback Volume" values 1 volume true }
                         { name "IEC958 Playback Switch" index 1 } { name "ELD" device 3 }
                         { name "Playback Channel Map" iface PCM values 2 } ]
   A card without controls has no control device. */
#include <alsa/control_external.h>

#define TIVREL_MAX_CONTROLS 64

typedef struct {
  char name[64];
  long index, device, values;
  int volume, pcm; /* pcm: a PCM's own control (iface PCM), else a mixer's */
} Control;

typedef struct {
  snd_ctl_ext_t ext;
  int count;
  Control controls[TIVREL_MAX_CONTROLS];
} Card;

static int ElemCount(snd_ctl_ext_t* ext) { return ((Card*)ext->private_data)->count; }

static int ElemList(snd_ctl_ext_t* ext, unsigned int offset, snd_ctl_elem_id_t* id) {
  const Control* c = &((Card*)ext->private_data)->controls[offset];
  snd_ctl_elem_id_set_interface(id, c->pcm ? SND_CTL_ELEM_IFACE_PCM : SND_CTL_ELEM_IFACE_MIXER);
  snd_ctl_elem_id_set_name(id, c->name);
  snd_ctl_elem_id_set_index(id, (unsigned int)c->index);
  snd_ctl_elem_id_set_device(id, (unsigned int)c->device);
  return 0;
}

static snd_ctl_ext_key_t FindElem(snd_ctl_ext_t* ext, const snd_ctl_elem_id_t* id) {
  const Card* card = ext->private_data;
  int i;
  for (i = 0; i < card->count; ++i) {
    const Control* c = &card->controls[i];
    if (strcmp(c->name, snd_ctl_elem_id_get_name(id)) == 0 &&
        (long)snd_ctl_elem_id_get_index(id) == c->index &&
        (long)snd_ctl_elem_id_get_device(id) == c->device)
      return (snd_ctl_ext_key_t)i;
  }
  return SND_CTL_EXT_KEY_NOT_FOUND;
}

static int GetAttribute(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, int* type, unsigned int* acc,
                        unsigned int* count) {
  const Control* c = &((Card*)ext->private_data)->controls[key];
  *type = c->volume || c->pcm ? SND_CTL_ELEM_TYPE_INTEGER : SND_CTL_ELEM_TYPE_BOOLEAN;
  *acc = SND_CTL_EXT_ACCESS_READWRITE;
  *count = (unsigned int)c->values;
  return 0;
}

static int GetIntegerInfo(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* min, long* max,
                          long* step) {
  (void)ext, (void)key;
  *min = 0, *max = 100, *step = 1;
  return 0;
}

static int ReadInteger(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* value) {
  long i;
  for (i = 0; i < ((Card*)ext->private_data)->controls[key].values; ++i) value[i] = 50;
  return 0;
}

static int WriteInteger(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* value) {
  return ext && value ? (int)(key < TIVREL_MAX_CONTROLS) : -EINVAL;
}

static void CloseCtl(snd_ctl_ext_t* ext) { free(ext->private_data); }

static const snd_ctl_ext_callback_t kCtlCallbacks = {
    .elem_count = ElemCount,
    .elem_list = ElemList,
    .find_elem = FindElem,
    .get_attribute = GetAttribute,
    .get_integer_info = GetIntegerInfo,
    .read_integer = ReadInteger,
    .write_integer = WriteInteger,
    .close = CloseCtl,
};

/* One "{ name ... index ... device ... values ... volume ... }" entry. */
static void ReadControl(snd_config_t* entry, Control* c) {
  snd_config_iterator_t i, next;
  c->values = 1;
  snd_config_for_each(i, next, entry) {
    snd_config_t* field = snd_config_iterator_entry(i);
    const char *id, *text;
    if (snd_config_get_id(field, &id) < 0) continue;
    if (strcmp(id, "name") == 0 && snd_config_get_string(field, &text) == 0)
      snprintf(c->name, sizeof c->name, "%s", text);
    if (strcmp(id, "index") == 0) snd_config_get_integer(field, &c->index);
    if (strcmp(id, "device") == 0) snd_config_get_integer(field, &c->device);
    if (strcmp(id, "values") == 0) snd_config_get_integer(field, &c->values);
    if (strcmp(id, "volume") == 0) c->volume = snd_config_get_bool(field) > 0;
    if (strcmp(id, "iface") == 0 && snd_config_get_string(field, &text) == 0)
      c->pcm = strcmp(text, "PCM") == 0;
  }
}

SND_CTL_PLUGIN_DEFINE_FUNC(tivrel) {
  char card[32] = "?", key[96];
  snd_config_t* list;
  snd_config_iterator_t i, next;
  Card* ctl;
  int err;
  snd_config_for_each(i, next, conf) {
    snd_config_t* entry = snd_config_iterator_entry(i);
    const char* id;
    char* ascii = NULL;
    if (snd_config_get_id(entry, &id) < 0 || strcmp(id, "card") != 0) continue;
    if (snd_config_get_ascii(entry, &ascii) == 0) snprintf(card, sizeof card, "%s", ascii);
    free(ascii);
  }
  snprintf(key, sizeof key, "tivrel_controls.%s", card);
  if (snd_config_search(root, key, &list) < 0) return -ENOENT;
  ctl = calloc(1, sizeof *ctl);
  if (!ctl) return -ENOMEM;
  snd_config_for_each(i, next, list) {
    if (ctl->count == TIVREL_MAX_CONTROLS) break;
    ReadControl(snd_config_iterator_entry(i), &ctl->controls[ctl->count++]);
  }
  ctl->ext.version = SND_CTL_EXT_VERSION;
  ctl->ext.card_idx = atoi(card);
  snprintf(ctl->ext.id, sizeof ctl->ext.id, "tivrel%s", card);
  snprintf(ctl->ext.driver, sizeof ctl->ext.driver, "tivrel");
  snprintf(ctl->ext.name, sizeof ctl->ext.name, "tivrel test card %s", card);
  snprintf(ctl->ext.longname, sizeof ctl->ext.longname, "tivrel test card %s", card);
  snprintf(ctl->ext.mixername, sizeof ctl->ext.mixername, "tivrel");
  ctl->ext.callback = &kCtlCallbacks;
  ctl->ext.private_data = ctl;
  if ((err = snd_ctl_ext_create(&ctl->ext, name, mode)) < 0) {
    free(ctl);
    return err;
  }
  *handlep = ctl->ext.handle;
  return 0;
}
SND_CTL_PLUGIN_SYMBOL(tivrel);
