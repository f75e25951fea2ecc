/* A PCM that plays in real time into a file, so that tests hear every frame
   a program sends to hw:C,D. Set per device in the tests' configuration:
     tivrel_recorder.C.D { formats [ S32_LE ] channels [ 2 8 ] rates [ 44100 48000 ]
                           chmaps [ "FL,FR" "FL,FR,RL,RR,FC,LFE" ] }
   Without chmaps the device states no channel map. The frames are added to
   the file that TIVREL_TEST_RECORD names (a device opened again, as a sound
   server does after an underrun, goes on where it stopped), and "FORMAT CHANNELS RATE" to that
   name with ".format"; "closed" is added there when the program closes the
   device. TIVREL_TEST_FAIL_AFTER=N makes every write after N frames fail
   with EIO. One program at a time has the device: another one gets EBUSY,
   as from a device that a sound server holds. */
#include <alsa/asoundlib.h>
#include <alsa/pcm_external.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

typedef struct {
  snd_pcm_ioplug_t io;
  FILE* record;
  int lock;
  char formatFile[4096];
  snd_pcm_chmap_query_t** maps;
  struct timespec started;
  snd_pcm_uframes_t written, failAfter;
} Recorder;

static double Since(const struct timespec* t) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (double)(now.tv_sec - t->tv_sec) + (double)(now.tv_nsec - t->tv_nsec) / 1e9;
}

static int Start(snd_pcm_ioplug_t* io) {
  Recorder* r = io->private_data;
  clock_gettime(CLOCK_MONOTONIC, &r->started);
  return 0;
}
static int Stop(snd_pcm_ioplug_t* io) { return io ? 0 : -EINVAL; }

static int Prepare(snd_pcm_ioplug_t* io) {
  Recorder* r = io->private_data;
  FILE* f = fopen(r->formatFile, "w");
  if (f) {
    fprintf(f, "%s %u %u\n", snd_pcm_format_name(io->format), io->channels, io->rate);
    fclose(f);
  }
  clock_gettime(CLOCK_MONOTONIC, &r->started);
  return 0;
}

/* The device plays at its rate from the start, never past what it was
   given; time with nothing to play is lost, as on a device that ran dry. */
static snd_pcm_sframes_t Pointer(snd_pcm_ioplug_t* io) {
  Recorder* r = io->private_data;
  const snd_pcm_uframes_t played = (snd_pcm_uframes_t)(Since(&r->started) * io->rate);
  const snd_pcm_uframes_t queued = io->appl_ptr - io->hw_ptr;
  snd_pcm_uframes_t step = played;
  if (played >= queued) {
    step = queued;
    clock_gettime(CLOCK_MONOTONIC, &r->started);
  } else {
    const long long ns = r->started.tv_nsec + (long long)((double)step * 1e9 / io->rate);
    r->started.tv_sec += (time_t)(ns / 1000000000);
    r->started.tv_nsec = (long)(ns % 1000000000);
  }
  return (snd_pcm_sframes_t)((io->hw_ptr + step) % io->buffer_size);
}

static snd_pcm_sframes_t Transfer(snd_pcm_ioplug_t* io, const snd_pcm_channel_area_t* areas,
                                  snd_pcm_uframes_t offset, snd_pcm_uframes_t size) {
  Recorder* r = io->private_data;
  const size_t frameBytes = (size_t)snd_pcm_format_physical_width(io->format) / 8 * io->channels;
  if (r->failAfter && r->written + size > r->failAfter) return -EIO;
  const char* data = (const char*)areas[0].addr + (areas[0].first / 8) + offset * frameBytes;
  if (r->record && fwrite(data, frameBytes, size, r->record) != size) return -EIO;
  if (r->record) fflush(r->record);
  r->written += size;
  return (snd_pcm_sframes_t)size;
}

static int PollRevents(snd_pcm_ioplug_t* io, struct pollfd* fds, unsigned int nfds,
                       unsigned short* revents) {
  uint64_t ticks;
  (void)io;
  if (nfds > 0 && (fds[0].revents & POLLIN) && read(fds[0].fd, &ticks, sizeof ticks) < 0) {
    *revents = POLLERR;
    return 0;
  }
  *revents = nfds > 0 && fds[0].revents ? POLLOUT : 0;
  return 0;
}

static snd_pcm_chmap_query_t** QueryChmaps(snd_pcm_ioplug_t* io) {
  Recorder* r = io->private_data;
  snd_pcm_chmap_query_t** copy;
  int n = 0;
  while (r->maps && r->maps[n]) ++n;
  if (n == 0 || !(copy = calloc((size_t)n + 1, sizeof *copy))) return NULL;
  for (int i = 0; i < n; ++i) {
    const size_t bytes = sizeof *copy[i] + r->maps[i]->map.channels * sizeof(unsigned int);
    if ((copy[i] = malloc(bytes))) memcpy(copy[i], r->maps[i], bytes);
  }
  return copy; /* the caller frees it */
}

static snd_pcm_chmap_t* GetChmap(snd_pcm_ioplug_t* io) {
  Recorder* r = io->private_data;
  for (int i = 0; r->maps && r->maps[i]; ++i) {
    const snd_pcm_chmap_t* map = &r->maps[i]->map;
    if (map->channels != io->channels) continue;
    snd_pcm_chmap_t* copy = malloc(sizeof *copy + map->channels * sizeof map->pos[0]);
    if (copy) memcpy(copy, map, sizeof *copy + map->channels * sizeof map->pos[0]);
    return copy;
  }
  return NULL;
}

static int Close(snd_pcm_ioplug_t* io) {
  Recorder* r = io->private_data;
  FILE* f = fopen(r->formatFile, "a");
  if (f) fputs("closed\n", f), fclose(f);
  if (r->record) fclose(r->record);
  if (r->lock >= 0) close(r->lock);
  if (r->maps) snd_pcm_free_chmaps(r->maps);
  close(io->poll_fd);
  free(r);
  return 0;
}

static const snd_pcm_ioplug_callback_t kCallbacks = {.start = Start,
                                                     .stop = Stop,
                                                     .pointer = Pointer,
                                                     .transfer = Transfer,
                                                     .close = Close,
                                                     .prepare = Prepare,
                                                     .poll_revents = PollRevents,
                                                     .query_chmaps = QueryChmaps,
                                                     .get_chmap = GetChmap};

/* The numbers of a "[ a b ... ]" list, at most max of them: how many. */
static int Numbers(snd_config_t* device, const char* key, unsigned int* numbers, int max) {
  snd_config_iterator_t i, next;
  snd_config_t* node;
  int n = 0;
  if (snd_config_search(device, key, &node) < 0) return -EINVAL;
  snd_config_for_each(i, next, node) {
    long value;
    if (n == max || snd_config_get_integer(snd_config_iterator_entry(i), &value) < 0)
      return -EINVAL;
    numbers[n++] = (unsigned int)value;
  }
  return n;
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
  if (Numbers(device, "channels", channels, 2) != 2 || Numbers(device, "rates", rates, 2) != 2)
    return -EINVAL;
  if ((err = snd_pcm_ioplug_set_param_list(io, SND_PCM_IOPLUG_HW_ACCESS, 1, access)) < 0 ||
      (err = snd_pcm_ioplug_set_param_list(io, SND_PCM_IOPLUG_HW_FORMAT, (unsigned)n, formats)) <
          0 ||
      (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_CHANNELS, channels[0],
                                             channels[1])) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_RATE, rates[0], rates[1])) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_PERIOD_BYTES, 64, 1 << 22)) <
          0 ||
      (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_PERIODS, 2, 1024)) < 0)
    return err;
  return 0;
}

/* The chmaps [ "FL,FR" ... ] of a device, as a NULL-ended query list. */
static snd_pcm_chmap_query_t** Chmaps(snd_config_t* device) {
  snd_config_t* node;
  snd_config_iterator_t i, next;
  snd_pcm_chmap_query_t** maps;
  int n = 0;
  if (snd_config_search(device, "chmaps", &node) < 0) return NULL;
  maps = calloc(17, sizeof *maps);
  snd_config_for_each(i, next, node) {
    const char* text;
    snd_pcm_chmap_t* map;
    if (!maps || n == 16 || snd_config_get_string(snd_config_iterator_entry(i), &text) < 0 ||
        !(map = snd_pcm_chmap_parse_string(text)))
      continue;
    maps[n] = malloc(sizeof *maps[n] + map->channels * sizeof map->pos[0]);
    maps[n]->type = SND_CHMAP_TYPE_FIXED;
    memcpy(&maps[n]->map, map, sizeof *map + map->channels * sizeof map->pos[0]);
    free(map);
    ++n;
  }
  return maps;
}

SND_PCM_PLUGIN_DEFINE_FUNC(tivrel_recorder) {
  char card[32] = "?", key[96];
  long number = -1;
  snd_config_t* device;
  snd_config_iterator_t i, next;
  const char* record = getenv("TIVREL_TEST_RECORD");
  const char* failAfter = getenv("TIVREL_TEST_FAIL_AFTER");
  struct itimerspec tick = {{0, 5000000}, {0, 5000000}};
  Recorder* r;
  int err;
  snd_config_for_each(i, next, conf) {
    snd_config_t* entry = snd_config_iterator_entry(i);
    const char* id;
    char* ascii = NULL;
    if (snd_config_get_id(entry, &id) < 0) continue;
    if (strcmp(id, "card") == 0 && snd_config_get_ascii(entry, &ascii) == 0)
      snprintf(card, sizeof card, "%s", ascii);
    free(ascii);
    if (strcmp(id, "device") == 0) snd_config_get_integer(entry, &number);
  }
  snprintf(key, sizeof key, "tivrel_recorder.%s.%ld", card, number);
  if (stream != SND_PCM_STREAM_PLAYBACK || snd_config_search(root, key, &device) < 0)
    return -ENOENT;
  if (!(r = calloc(1, sizeof *r))) return -ENOMEM;
  r->lock = -1;
  if (record) {
    snprintf(r->formatFile, sizeof r->formatFile, "%s.lock", record);
    r->lock = open(r->formatFile, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (r->lock < 0 || flock(r->lock, LOCK_EX | LOCK_NB) < 0) {
      if (r->lock >= 0) close(r->lock);
      free(r);
      return -EBUSY;
    }
    r->record = fopen(record, "ab");
    snprintf(r->formatFile, sizeof r->formatFile, "%s.format", record);
  }
  r->failAfter = failAfter ? strtoul(failAfter, NULL, 10) : 0;
  r->maps = Chmaps(device);
  r->io.version = SND_PCM_IOPLUG_VERSION;
  r->io.name = "tivrel recorder";
  r->io.callback = &kCallbacks;
  r->io.private_data = r;
  r->io.poll_fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  r->io.poll_events = POLLIN;
  timerfd_settime(r->io.poll_fd, 0, &tick, NULL);
  if ((err = snd_pcm_ioplug_create(&r->io, name, stream, mode)) < 0) {
    Close(&r->io);
    return err;
  }
  if ((err = Space(&r->io, device)) < 0) {
    snd_pcm_ioplug_delete(&r->io);
    return err;
  }
  *pcmp = r->io.pcm;
  return 0;
}
SND_PCM_PLUGIN_SYMBOL(tivrel_recorder);
