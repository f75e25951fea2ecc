/* A PCM pair joined by a simulated analog chain: what a process plays on it
   comes back, in real time, on its capture stream of the same name.
     pcm.loop { type tivrel_loop delay 300.25 highpass 20 lowpass 21000
                noise -90 h2 1.4e-4 crosstalk -75 bits 24 }
   Further keys: gain, bell_hz, bell_db, bell_q, h3, invert, swap,
   disconnected (see analog_chain.h). Stereo, S32_LE or S16_LE, any rate from
   8 to 192 kHz. Both streams count frames from their own start: capture
   frame n holds what played frame n became, so the pair adds no offset of
   its own. The clock is CLOCK_MONOTONIC; a timerfd wakes the waiting side
   once a period. */
#include <alsa/asoundlib.h>
#include <alsa/pcm_external.h>
#include <errno.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include "analog_chain.h"

#define RING (1u << 20) /* frames of what was played, kept for the capture */

typedef struct {
  float played[2 * RING];
  snd_pcm_uframes_t written; /* frames the application played so far */
  struct tivrel_chain chain;
  int rate;
} Pair;

static Pair* pair; /* one per process, shared by the two streams */
static int users;  /* the streams open on it; the last to close frees it */

typedef struct {
  snd_pcm_ioplug_t io;
  struct tivrel_chain_params params;
  int timer;
  struct timespec start;
  snd_pcm_uframes_t done; /* frames transferred */
  int running;
} Loop;

static double Seconds(const struct timespec* t) {
  return (double)t->tv_sec + (double)t->tv_nsec / 1e9;
}

static snd_pcm_uframes_t Elapsed(const Loop* l) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (snd_pcm_uframes_t)((Seconds(&now) - Seconds(&l->start)) * l->io.rate);
}

static int Start(snd_pcm_ioplug_t* io) {
  Loop* l = io->private_data;
  const long ns = (long)(1e9 * (double)io->period_size / io->rate);
  const struct itimerspec every = {{ns / 1000000000, ns % 1000000000},
                                   {ns / 1000000000, ns % 1000000000}};
  clock_gettime(CLOCK_MONOTONIC, &l->start);
  l->running = 1;
  if (io->stream == SND_PCM_STREAM_CAPTURE) {
    tivrel_chain_init(&pair->chain, &l->params, (int)io->rate, 1);
    pair->rate = (int)io->rate;
  }
  return timerfd_settime(l->timer, 0, &every, NULL) < 0 ? -errno : 0;
}

static int Stop(snd_pcm_ioplug_t* io) {
  const struct itimerspec off = {{0, 0}, {0, 0}};
  ((Loop*)io->private_data)->running = 0;
  return timerfd_settime(((Loop*)io->private_data)->timer, 0, &off, NULL) < 0 ? -errno : 0;
}

static snd_pcm_sframes_t Pointer(snd_pcm_ioplug_t* io) {
  Loop* l = io->private_data;
  if (!l->running) return 0;
  snd_pcm_uframes_t at = Elapsed(l);
  if (io->stream == SND_PCM_STREAM_PLAYBACK && at > pair->written) return -EPIPE;
  if (io->stream == SND_PCM_STREAM_CAPTURE && at > l->done + io->buffer_size) return -EPIPE;
  return (snd_pcm_sframes_t)(at % io->buffer_size);
}

static int32_t* Frames(const snd_pcm_channel_area_t* areas, snd_pcm_uframes_t offset) {
  return (int32_t*)((char*)areas->addr + (areas->first + areas->step * offset) / 8);
}

static float FromCode(const snd_pcm_ioplug_t* io, const void* at) {
  if (io->format == SND_PCM_FORMAT_S16_LE) return (float)(*(const int16_t*)at / 32768.0);
  return (float)(*(const int32_t*)at / 2147483648.0);
}

static void ToCode(const snd_pcm_ioplug_t* io, float x, void* at) {
  const double scale = io->format == SND_PCM_FORMAT_S16_LE ? 32768.0 : 2147483648.0;
  double v = x * scale;
  v = v > scale - 1 ? scale - 1 : v < -scale ? -scale : v;
  if (io->format == SND_PCM_FORMAT_S16_LE)
    *(int16_t*)at = (int16_t)lrint(v);
  else
    *(int32_t*)at = (int32_t)llrint(v);
}

static snd_pcm_sframes_t Transfer(snd_pcm_ioplug_t* io, const snd_pcm_channel_area_t* areas,
                                  snd_pcm_uframes_t offset, snd_pcm_uframes_t size) {
  Loop* l = io->private_data;
  const size_t bytes = snd_pcm_format_physical_width(io->format) / 8;
  char* data = (char*)Frames(areas, offset);
  for (snd_pcm_uframes_t i = 0; i < size; ++i) {
    float in[2] = {0, 0}, out[2];
    if (io->stream == SND_PCM_STREAM_PLAYBACK) {
      for (int ch = 0; ch < 2; ++ch)
        pair->played[2 * ((pair->written + i) % RING) + ch] =
            FromCode(io, data + (2 * i + ch) * bytes);
      continue;
    }
    if (l->done + i < pair->written) /* else the application played nothing yet */
      for (int ch = 0; ch < 2; ++ch) in[ch] = pair->played[2 * ((l->done + i) % RING) + ch];
    tivrel_chain_run(&pair->chain, in, out, 1);
    for (int ch = 0; ch < 2; ++ch) ToCode(io, out[ch], data + (2 * i + ch) * bytes);
  }
  if (io->stream == SND_PCM_STREAM_PLAYBACK) pair->written += size;
  l->done += size;
  return (snd_pcm_sframes_t)size;
}

static int PollRevents(snd_pcm_ioplug_t* io, struct pollfd* pfd, unsigned int nfds,
                       unsigned short* revents) {
  uint64_t ticks;
  if (nfds == 1 && (pfd->revents & POLLIN) && read(pfd->fd, &ticks, sizeof ticks) < 0)
    return -errno;
  *revents = pfd->revents & POLLIN ? (io->stream == SND_PCM_STREAM_PLAYBACK ? POLLOUT : POLLIN) : 0;
  return 0;
}

static int Prepare(snd_pcm_ioplug_t* io) {
  Loop* l = io->private_data;
  l->done = 0;
  if (io->stream == SND_PCM_STREAM_PLAYBACK) pair->written = 0;
  return 0;
}

static void Release(void) {
  if (--users > 0) return;
  free(pair);
  pair = NULL;
}

static int Close(snd_pcm_ioplug_t* io) {
  Loop* l = io->private_data;
  close(l->timer);
  free(l);
  Release();
  return 0;
}

static const snd_pcm_ioplug_callback_t kCallbacks = {.start = Start,
                                                     .stop = Stop,
                                                     .pointer = Pointer,
                                                     .transfer = Transfer,
                                                     .poll_revents = PollRevents,
                                                     .prepare = Prepare,
                                                     .close = Close};

/* The chain's parameters from the PCM's keys. */
static void ReadParams(snd_config_t* conf, struct tivrel_chain_params* p) {
  struct {
    const char* key;
    double* value;
  } reals[] = {{"delay", &p->delay_frames},
               {"gain", &p->gain_db},
               {"highpass", &p->highpass_hz},
               {"lowpass", &p->lowpass_hz},
               {"bell_hz", &p->bell_hz},
               {"bell_db", &p->bell_db},
               {"bell_q", &p->bell_q},
               {"noise", &p->noise_dbfs},
               {"h2", &p->h2},
               {"h3", &p->h3},
               {"crosstalk", &p->crosstalk_db}};
  struct {
    const char* key;
    int* value;
  } flags[] = {{"invert", &p->invert},
               {"swap", &p->swap},
               {"bits", &p->bits},
               {"disconnected", &p->disconnected}};
  snd_config_iterator_t i, next;
  *p = (struct tivrel_chain_params){
      .delay_frames = 100, .noise_dbfs = -300, .crosstalk_db = -300, .bell_q = 1};
  snd_config_for_each(i, next, conf) {
    snd_config_t* n = snd_config_iterator_entry(i);
    const char* id;
    double real;
    if (snd_config_get_id(n, &id) < 0) continue;
    if (snd_config_get_ireal(n, &real) < 0) continue;
    for (size_t k = 0; k < sizeof reals / sizeof *reals; ++k)
      if (strcmp(id, reals[k].key) == 0) *reals[k].value = real;
    for (size_t k = 0; k < sizeof flags / sizeof *flags; ++k)
      if (strcmp(id, flags[k].key) == 0) *flags[k].value = (int)real;
  }
}

SND_PCM_PLUGIN_DEFINE_FUNC(tivrel_loop) {
  static const unsigned int formats[] = {SND_PCM_FORMAT_S32_LE, SND_PCM_FORMAT_S16_LE};
  const unsigned int access = SND_PCM_ACCESS_RW_INTERLEAVED;
  Loop* l;
  int err;
  (void)root;
  if (!pair && !(pair = calloc(1, sizeof *pair))) return -ENOMEM;
  ++users;
  if (!(l = calloc(1, sizeof *l))) {
    Release();
    return -ENOMEM;
  }
  ReadParams(conf, &l->params);
  l->timer = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  l->io.version = SND_PCM_IOPLUG_VERSION;
  l->io.name = "tivrel loop";
  l->io.callback = &kCallbacks;
  l->io.private_data = l;
  l->io.poll_fd = l->timer;
  l->io.poll_events = POLLIN;
  if ((err = snd_pcm_ioplug_create(&l->io, name, stream, mode)) < 0) {
    close(l->timer);
    free(l);
    Release();
    return err;
  }
  if ((err = snd_pcm_ioplug_set_param_list(&l->io, SND_PCM_IOPLUG_HW_ACCESS, 1, &access)) < 0 ||
      (err = snd_pcm_ioplug_set_param_list(&l->io, SND_PCM_IOPLUG_HW_FORMAT, 2, formats)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(&l->io, SND_PCM_IOPLUG_HW_CHANNELS, 2, 2)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(&l->io, SND_PCM_IOPLUG_HW_RATE, 8000, 192000)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(&l->io, SND_PCM_IOPLUG_HW_PERIOD_BYTES, 256,
                                             1 << 20)) < 0) {
    snd_pcm_ioplug_delete(&l->io);
    return err;
  }
  *pcmp = l->io.pcm;
  return 0;
}
SND_PCM_PLUGIN_SYMBOL(tivrel_loop);
