#include "analog_chain.h"

#include <complex.h>
#include <math.h>
#include <string.h>

static const double pi = 3.14159265358979323846;

static void biquad_set(struct tivrel_biquad* f, int kind, double hz, double q, double db,
                       int rate) {
  const double w = 2 * pi * hz / rate, cw = cos(w), alpha = sin(w) / (2 * q);
  const double a = pow(10, db / 40);
  double b0 = 1, b1 = 0, b2 = 0, a0 = 1, a1 = 0, a2 = 0;
  if (kind == 'h') {
    b0 = (1 + cw) / 2, b1 = -(1 + cw), b2 = (1 + cw) / 2, a0 = 1 + alpha, a1 = -2 * cw,
    a2 = 1 - alpha;
  } else if (kind == 'l') {
    b0 = (1 - cw) / 2, b1 = 1 - cw, b2 = (1 - cw) / 2, a0 = 1 + alpha, a1 = -2 * cw, a2 = 1 - alpha;
  } else if (kind == 'b') {
    b0 = 1 + alpha * a, b1 = -2 * cw, b2 = 1 - alpha * a;
    a0 = 1 + alpha / a, a1 = -2 * cw, a2 = 1 - alpha / a;
  }
  memset(f, 0, sizeof *f);
  f->b0 = b0 / a0, f->b1 = b1 / a0, f->b2 = b2 / a0, f->a1 = a1 / a0, f->a2 = a2 / a0;
}

static double biquad_run(struct tivrel_biquad* f, int ch, double x) {
  const double y = f->b0 * x + f->z1[ch];
  f->z1[ch] = f->b1 * x - f->a1 * y + f->z2[ch];
  f->z2[ch] = f->b2 * x - f->a2 * y;
  return y;
}

static double complex biquad_at(const struct tivrel_biquad* f, double w) {
  const double complex z1 = cexp(-I * w), z2 = z1 * z1;
  return (f->b0 + f->b1 * z1 + f->b2 * z2) / (1 + f->a1 * z1 + f->a2 * z2);
}

static double uniform(struct tivrel_chain* c) { /* xorshift64*, (0, 1) */
  c->random ^= c->random >> 12, c->random ^= c->random << 25, c->random ^= c->random >> 27;
  return ((double)((c->random * 2685821657736338717ULL) >> 11) + 0.5) / 9007199254740992.0;
}

static double gaussian(struct tivrel_chain* c) {
  return sqrt(-2 * log(uniform(c))) * cos(2 * pi * uniform(c));
}

void tivrel_chain_init(struct tivrel_chain* c, const struct tivrel_chain_params* p, int rate,
                       uint64_t seed) {
  memset(c, 0, sizeof *c);
  c->p = *p;
  c->random = seed ? seed : 0x9E3779B97F4A7C15ULL;
  /* Windowed sinc (Blackman) centred on the delay. */
  c->first_tap = (long)floor(p->delay_frames) - TIVREL_CHAIN_TAPS / 2 + 1;
  for (int k = 0; k < TIVREL_CHAIN_TAPS; ++k) {
    const double x = (double)(c->first_tap + k) - p->delay_frames;
    const double u = x / (TIVREL_CHAIN_TAPS / 2);
    const double window = fabs(u) >= 1 ? 0 : 0.42 + 0.5 * cos(pi * u) + 0.08 * cos(2 * pi * u);
    c->taps[k] = window * (x == 0 ? 1 : sin(pi * x) / (pi * x));
  }
  biquad_set(&c->filters[0], p->highpass_hz > 0 ? 'h' : 0, p->highpass_hz, sqrt(0.5), 0, rate);
  biquad_set(&c->filters[1], p->lowpass_hz > 0 ? 'l' : 0, p->lowpass_hz, sqrt(0.5), 0, rate);
  biquad_set(&c->filters[2], p->bell_hz > 0 ? 'b' : 0, p->bell_hz, p->bell_q, p->bell_db, rate);
}

static double quantise(struct tivrel_chain* c, double y) {
  if (c->p.bits > 0) {
    const double scale = ldexp(1, c->p.bits - 1);
    y = round(y * scale + uniform(c) - uniform(c)) / scale;
    if (y > 1 - 1 / scale) y = 1 - 1 / scale;
  }
  return y < -1 ? -1 : y > 1 ? 1 : y;
}

static double delayed(const struct tivrel_chain* c, int ch) {
  double sum = 0;
  for (int k = 0; k < TIVREL_CHAIN_TAPS; ++k) {
    const size_t back = (size_t)(c->first_tap + k);
    sum +=
        c->taps[k] * c->history[ch][(c->at + TIVREL_CHAIN_HISTORY - back) % TIVREL_CHAIN_HISTORY];
  }
  return sum;
}

void tivrel_chain_run(struct tivrel_chain* c, const float* in, float* out, size_t frames) {
  const struct tivrel_chain_params* p = &c->p;
  const double gain = pow(10, p->gain_db / 20) * (p->invert ? -1 : 1);
  const double cross = p->crosstalk_db > -200 ? pow(10, p->crosstalk_db / 20) : 0;
  const double noise = p->noise_dbfs > -200 ? pow(10, p->noise_dbfs / 20) * sqrt(0.5) : 0;
  for (size_t i = 0; i < frames; ++i) {
    double y[2];
    for (int ch = 0; ch < 2; ++ch) {
      const double x = in[2 * i + ch];
      c->history[ch][c->at] = (float)(x + p->h2 * x * x + p->h3 * x * x * x);
    }
    for (int ch = 0; ch < 2; ++ch) {
      double v = gain * delayed(c, ch);
      for (int f = 0; f < 3; ++f) v = biquad_run(&c->filters[f], ch, v);
      y[ch] = p->disconnected ? 0 : v;
    }
    const double left = y[0] + cross * y[1], right = y[1] + cross * y[0];
    out[2 * i + (p->swap ? 1 : 0)] = (float)quantise(c, left + noise * gaussian(c));
    out[2 * i + (p->swap ? 0 : 1)] = (float)quantise(c, right + noise * gaussian(c));
    c->at = (c->at + 1) % TIVREL_CHAIN_HISTORY;
  }
}

double tivrel_chain_gain_db(const struct tivrel_chain* c, int rate, double hz) {
  const double w = 2 * pi * hz / rate;
  double complex h = 0;
  for (int k = 0; k < TIVREL_CHAIN_TAPS; ++k)
    h += c->taps[k] * cexp(-I * w * (double)(c->first_tap + k));
  for (int f = 0; f < 3; ++f) h *= biquad_at(&c->filters[f], w);
  return 20 * log10(cabs(h)) + c->p.gain_db;
}
