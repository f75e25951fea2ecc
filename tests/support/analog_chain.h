/* A simulated analog loopback, stereo in and out: what a test plays goes
 * through converters, filters and a cable of known faults before it is
 * captured. Plain C, so that the tests' ALSA plugin and the C++ tests run
 * the same chain. */
#ifndef TIVREL_ANALOG_CHAIN_H
#define TIVREL_ANALOG_CHAIN_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define TIVREL_CHAIN_TAPS 128
#define TIVREL_CHAIN_HISTORY 16384 /* longest delay, frames */

struct tivrel_chain_params {
  double delay_frames; /* at least TIVREL_CHAIN_TAPS / 2, fractional */
  double gain_db;
  double highpass_hz, lowpass_hz;  /* 2nd-order Butterworth; 0 for none */
  double bell_hz, bell_db, bell_q; /* peaking filter; bell_hz 0 for none */
  double noise_dbfs;               /* white noise, full-scale sine = 0 dBFS; <= -200 none */
  double h2, h3;                   /* y = x + h2 x^2 + h3 x^3 at the output converter */
  double crosstalk_db;             /* each channel into the other; <= -200 none */
  int invert;                      /* polarity reversed */
  int swap;                        /* left and right exchanged */
  int bits;                        /* 16 or 24 with TPDF dither; 0 for float */
  int disconnected;                /* nothing comes back but the noise */
};

struct tivrel_biquad {
  double b0, b1, b2, a1, a2;
  double z1[2], z2[2];
};

struct tivrel_chain {
  struct tivrel_chain_params p;
  double taps[TIVREL_CHAIN_TAPS];
  long first_tap; /* delay of taps[0], frames */
  struct tivrel_biquad filters[3];
  float history[2][TIVREL_CHAIN_HISTORY];
  size_t at;
  uint64_t random;
};

void tivrel_chain_init(struct tivrel_chain* c, const struct tivrel_chain_params* p, int rate,
                       uint64_t seed);
/* frames of interleaved stereo in, the same out; in and out may not overlap. */
void tivrel_chain_run(struct tivrel_chain* c, const float* in, float* out, size_t frames);
/* The linear part's gain at hz, in dB, as designed. */
double tivrel_chain_gain_db(const struct tivrel_chain* c, int rate, double hz);

#ifdef __cplusplus
}
#endif

#endif
