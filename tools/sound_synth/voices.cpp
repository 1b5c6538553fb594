#include "tools/sound_synth/voices.h"

namespace synth {

namespace {
size_t first_frame(Buffer const& out, float start) { return size_t(std::fmax(0.f, start) * out.rate); }
size_t end_frame(Buffer const& out, float start, float len) {
  size_t e = size_t((start + len) * out.rate);
  return e < out.frames() ? e : out.frames();
}
// Adds a mono sample to every channel of frame i.
void add(Buffer& out, size_t i, float v) {
  for (int ch = 0; ch < out.channels; ch++) out.data[i * out.channels + ch] += v;
}
}  // namespace

void rumble(Buffer& out, float start, float len, float cutoff, float gain, float swell, uint32_t seed) {
  Noise n(seed), lfo_noise(seed + 7);
  Biquad lp, lp2, lfo;
  lp.set(Biquad::LOWPASS, cutoff, 0.9f, out.rate);
  lp2.set(Biquad::LOWPASS, cutoff * 1.5f, 0.7f, out.rate);
  lfo.set(Biquad::LOWPASS, 1.5f, 0.7f, out.rate);
  size_t s = first_frame(out, start), e = end_frame(out, start, len);
  for (size_t i = s; i < e; i++) {
    float t = float(i - s) / out.rate;
    float env = std::fmin(1.f, t / 0.15f) * std::fmin(1.f, (len - t) / 0.3f);
    float surge = 1.f + swell * lfo.process(lfo_noise.white()) * 40.f;
    add(out, i, gain * env * surge * lp2.process(lp.process(n.brown())));
  }
}

void whoosh(Buffer& out, float start, float len, float f0, float f1, float gain, uint32_t seed) {
  Noise n(seed);
  Biquad bp;
  size_t s = first_frame(out, start), e = end_frame(out, start, len);
  for (size_t i = s; i < e; i++) {
    float x = float(i - s) / (e - s);
    if ((i & 15) == 0) bp.set(Biquad::BANDPASS, f0 * std::pow(f1 / f0, x), 1.4f, out.rate);
    float env = std::sin(PI * std::pow(x, 0.6f));
    add(out, i, gain * env * env * 3.f * bp.process(n.pink()));
  }
}

void crackle(Buffer& out, float start, float len, float density, float gain, uint32_t seed) {
  Noise n(seed);
  Biquad hp, body;
  hp.set(Biquad::HIGHPASS, 900, 0.7f, out.rate);
  body.set(Biquad::LOWPASS, 500, 0.7f, out.rate);
  size_t s = first_frame(out, start), e = end_frame(out, start, len);
  float pop = 0, pop_decay = 0;
  for (size_t i = s; i < e; i++) {
    if (n.uniform(0, 1) < density / out.rate) {
      pop = n.uniform(0.3f, 1.f);
      pop_decay = n.uniform(0.90f, 0.985f);
    }
    float snap = pop * n.white();
    pop *= pop_decay;
    float roar = body.process(n.brown()) * 0.35f;
    add(out, i, gain * (hp.process(snap) * 1.6f + roar));
  }
}

void boom(Buffer& out, float start, float len, float pitch, float gain, uint32_t seed) {
  Noise n(seed);
  Osc thump;
  Biquad lp, crack;
  crack.set(Biquad::HIGHPASS, 1500, 0.7f, out.rate);
  size_t s = first_frame(out, start), e = end_frame(out, start, len);
  for (size_t i = s; i < e; i++) {
    float t = float(i - s) / out.rate;
    if ((i & 7) == 0) lp.set(Biquad::LOWPASS, 60 + 2500 * std::exp(-t * 6), 0.8f, out.rate);
    float body = lp.process(n.brown() * 2.f + n.white() * 0.3f) * percussive(t, 0.004f, len * 0.35f);
    float sub = thump.sine(pitch * (1 + 2 * std::exp(-t * 12)), out.rate) * percussive(t, 0.003f, 0.25f);
    float hit = crack.process(n.white()) * percussive(t, 0.001f, 0.03f);
    add(out, i, gain * (body * 1.4f + sub * 0.9f + hit * 0.8f));
  }
}

void thunder(Buffer& out, float start, float len, float gain, uint32_t seed) {
  Noise n(seed);
  Biquad crack;
  crack.set(Biquad::HIGHPASS, 700, 0.6f, out.rate);
  size_t s = first_frame(out, start), e = end_frame(out, start, std::fmin(len, 0.25f));
  for (size_t i = s; i < e; i++) {
    float t = float(i - s) / out.rate;
    // The crack is a burst of several close strokes.
    float strokes = percussive(t, 0.001f, 0.02f) + 0.7f * percussive(t - 0.05f, 0.001f, 0.03f) +
                    0.5f * percussive(t - 0.11f, 0.001f, 0.05f);
    add(out, i, gain * 1.2f * crack.process(n.white()) * strokes);
  }
  rumble(out, start + 0.03f, len - 0.03f, 140, gain * 1.8f, 0.9f, seed + 1);
}

void splash(Buffer& out, float start, float len, float gain, uint32_t seed) {
  Noise n(seed);
  Biquad bp;
  bp.set(Biquad::BANDPASS, 1800, 0.8f, out.rate);
  size_t s = first_frame(out, start), e = end_frame(out, start, len);
  for (size_t i = s; i < e; i++) {
    float t = float(i - s) / out.rate;
    add(out, i, gain * 2.5f * bp.process(n.white()) * percussive(t, 0.005f, 0.12f));
  }
  // Droplets: short sine blips whose pitch rises as a bubble closes.
  for (int d = 0; d < 14; d++) {
    float t0 = start + 0.05f + n.uniform(0, len * 0.7f);
    float f = n.uniform(700, 2200), dl = n.uniform(0.03f, 0.07f);
    Osc o;
    size_t ds = first_frame(out, t0), de = end_frame(out, t0, dl);
    for (size_t i = ds; i < de; i++) {
      float t = float(i - ds) / out.rate;
      add(out, i, gain * 0.25f * o.sine(f * (1 + 4 * t / dl), out.rate) * percussive(t, 0.002f, dl * 0.3f));
    }
  }
}

void bell(Buffer& out, float start, float freq, float decay, float gain) {
  static const float ratios[5] = {1.f, 2.76f, 5.40f, 8.93f, 0.5f};
  static const float levels[5] = {1.f, 0.5f, 0.3f, 0.15f, 0.25f};
  Osc o[5];
  size_t s = first_frame(out, start), e = end_frame(out, start, decay * 5);
  for (size_t i = s; i < e; i++) {
    float t = float(i - s) / out.rate, v = 0;
    for (int p = 0; p < 5; p++) {
      // A partial above the Nyquist limit would fold back as a stray tone.
      if (freq * ratios[p] >= 0.45f * out.rate) continue;
      v += levels[p] * o[p].sine(freq * ratios[p], out.rate) * percussive(t, 0.002f, decay / (1 + p * 0.6f));
    }
    add(out, i, gain * v * 0.4f);
  }
}

void creature_call(Buffer& out, float start, float len, float f0, float fpeak, float f1, float formant1,
                   float formant2, float rasp, float gain, uint32_t seed) {
  Noise n(seed);
  Osc src, vib;
  Biquad fa, fb, breath;
  fa.set(Biquad::BANDPASS, formant1, 3.f, out.rate);
  fb.set(Biquad::BANDPASS, formant2, 4.f, out.rate);
  breath.set(Biquad::BANDPASS, formant2 * 1.3f, 1.f, out.rate);
  size_t s = first_frame(out, start), e = end_frame(out, start, len);
  for (size_t i = s; i < e; i++) {
    float x = float(i - s) / (e - s), t = float(i - s) / out.rate;
    float f = x < 0.3f ? glide(f0, fpeak, x / 0.3f) : glide(fpeak, f1, (x - 0.3f) / 0.7f);
    f *= 1 + 0.03f * vib.sine(6.5f, out.rate) + rasp * 0.08f * n.white();
    float v = src.saw(f, out.rate);
    float env = adsr(t, len * 0.8f, 0.04f, 0.1f, 0.8f, len * 0.2f);
    add(out, i, gain * env * (fa.process(v) * 1.5f + fb.process(v) + rasp * breath.process(n.white()) * 0.8f));
  }
}

void chirp(Buffer& out, float start, float len, float f0, float f1, float gain) {
  Osc o;
  size_t s = first_frame(out, start), e = end_frame(out, start, len);
  for (size_t i = s; i < e; i++) {
    float x = float(i - s) / (e - s);
    float env = std::sin(PI * x);
    add(out, i, gain * env * o.sine(f0 + (f1 - f0) * x * x, out.rate));
  }
}

void drone(Buffer& out, float start, float len, float freq, int partials, float detune, float gain) {
  Osc o[16];
  partials = partials > 8 ? 8 : partials;
  size_t s = first_frame(out, start), e = end_frame(out, start, len);
  for (size_t i = s; i < e; i++) {
    float v = 0;
    for (int p = 0; p < partials; p++) {
      float f = freq * (p + 1);
      v += (o[2 * p].sine(f, out.rate) + o[2 * p + 1].sine(f + detune * (p + 1), out.rate)) / float(p + 1);
    }
    add(out, i, gain * v * 0.3f);
  }
}

void zap(Buffer& out, float start, float len, float f0, float f1, float gain) {
  Osc o, ring;
  Biquad lp;
  lp.set(Biquad::LOWPASS, 4000, 0.9f, out.rate);
  size_t s = first_frame(out, start), e = end_frame(out, start, len);
  for (size_t i = s; i < e; i++) {
    float x = float(i - s) / (e - s), t = float(i - s) / out.rate;
    float f = f0 * std::pow(f1 / f0, x);
    float v = o.saw(f, out.rate) * ring.square(f * 0.51f, out.rate);
    add(out, i, gain * lp.process(v) * percussive(t, 0.003f, len * 0.4f));
  }
}

void sizzle(Buffer& out, float start, float len, float gain, uint32_t seed) {
  Noise n(seed);
  Biquad hp;
  hp.set(Biquad::HIGHPASS, 3500, 0.7f, out.rate);
  size_t s = first_frame(out, start), e = end_frame(out, start, len);
  for (size_t i = s; i < e; i++) {
    float t = float(i - s) / out.rate;
    float env = std::fmin(1.f, t / 0.02f) * std::exp(-t / (len * 0.45f));
    add(out, i, gain * env * hp.process(n.white()) * (0.7f + 0.3f * n.white()));
  }
  crackle(out, start, len * 0.7f, 60, gain * 0.5f, seed + 3);
}

}  // namespace synth
