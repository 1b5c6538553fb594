// Building blocks of the sound synthesiser: a deterministic noise source,
// oscillators, envelopes, filters and a reverb, all working on float buffers.
#pragma once
#include <cmath>
#include <cstdint>
#include <vector>

namespace synth {

constexpr float PI = 3.14159265358979f;
constexpr float TWO_PI = 2 * PI;

// One mono or interleaved-stereo signal at a fixed rate.
struct Buffer {
  int rate = 22050;
  int channels = 1;
  std::vector<float> data;

  Buffer() = default;
  Buffer(int rate_, float seconds, int channels_ = 1)
      : rate(rate_), channels(channels_), data(size_t(seconds * rate_) * channels_, 0.f) {}
  size_t frames() const { return data.size() / channels; }
  float seconds() const { return float(frames()) / rate; }
};

// Reproducible noise: every build writes the same files.
class Noise {
 public:
  explicit Noise(uint32_t seed) : state(seed * 2654435761u + 1) {}
  float white() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return float(state) / 2147483648.f - 1.f;
  }
  // Brown noise: integrated white noise with a leak, a deep rumble source.
  float brown() {
    brown_state = brown_state * 0.995f + white() * 0.1f;
    return brown_state * 3.f;
  }
  // Pink noise (Paul Kellet's economy filter): softer hiss than white.
  float pink() {
    float w = white();
    p0 = 0.99765f * p0 + w * 0.0990460f;
    p1 = 0.96300f * p1 + w * 0.2965164f;
    p2 = 0.57000f * p2 + w * 1.0526913f;
    return (p0 + p1 + p2 + w * 0.1848f) * 0.25f;
  }
  float uniform(float lo, float hi) { return lo + (white() * 0.5f + 0.5f) * (hi - lo); }

 private:
  uint32_t state;
  float brown_state = 0, p0 = 0, p1 = 0, p2 = 0;
};

// Phase-accumulating oscillator; frequency may change every sample.
class Osc {
 public:
  float sine(float freq, int rate) { return std::sin(advance(freq, rate) * TWO_PI); }
  float saw(float freq, int rate) { return 2.f * advance(freq, rate) - 1.f; }
  float square(float freq, int rate, float duty = 0.5f) { return advance(freq, rate) < duty ? 1.f : -1.f; }
  float triangle(float freq, int rate) {
    float p = advance(freq, rate);
    return p < 0.5f ? 4.f * p - 1.f : 3.f - 4.f * p;
  }

 private:
  float advance(float freq, int rate) {
    float p = phase;
    phase += freq / rate;
    phase -= std::floor(phase);
    return p;
  }
  float phase = 0;
};

// Attack-decay-sustain-release envelope over a note of `length` seconds.
inline float adsr(float t, float length, float a, float d, float s, float r) {
  if (t < 0) return 0;
  if (t < a) return t / a;
  if (t < a + d) return 1.f - (1.f - s) * (t - a) / d;
  if (t < length) return s;
  float rt = t - length;
  return rt < r ? s * (1.f - rt / r) : 0.f;
}

// Exponential decay after an attack: drums, hits, plucks.
inline float percussive(float t, float attack, float decay) {
  if (t < 0) return 0;
  if (t < attack) return t / attack;
  return std::exp(-(t - attack) / decay);
}

// Smooth interpolation between a and b as x runs from 0 to 1.
inline float glide(float a, float b, float x) {
  x = x < 0 ? 0 : (x > 1 ? 1 : x);
  return a + (b - a) * x * x * (3 - 2 * x);
}

// RBJ biquad; coefficients may be recomputed per sample for sweeps.
class Biquad {
 public:
  enum Kind { LOWPASS, HIGHPASS, BANDPASS };
  void set(Kind kind, float freq, float q, int rate) {
    float w = TWO_PI * std::fmin(freq, rate * 0.45f) / rate;
    float cw = std::cos(w), alpha = std::sin(w) / (2 * q);
    float a0 = 1 + alpha;
    switch (kind) {
      case LOWPASS: b0 = (1 - cw) / 2; b1 = 1 - cw; b2 = b0; break;
      case HIGHPASS: b0 = (1 + cw) / 2; b1 = -(1 + cw); b2 = b0; break;
      case BANDPASS: b0 = alpha; b1 = 0; b2 = -alpha; break;
    }
    a1 = -2 * cw;
    a2 = 1 - alpha;
    b0 /= a0; b1 /= a0; b2 /= a0; a1 /= a0; a2 /= a0;
  }
  float process(float x) {
    float y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1; x1 = x; y2 = y1; y1 = y;
    return y;
  }

 private:
  float b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
  float x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

// Schroeder reverb: four combs in parallel into two all-passes.
class Reverb {
 public:
  Reverb(int rate, float room, float damping);
  float process(float x);

 private:
  struct Line {
    std::vector<float> buf;
    size_t pos = 0;
    float filt = 0;
  };
  Line combs[4], allpasses[2];
  float feedback, damp;
};

// In-place effects on whole buffers.
void add_reverb(Buffer& b, float room, float damping, float wet);
void normalize(Buffer& b, float peak);
// High-pass below hearing: brown-noise rumbles drift far off zero, which
// wastes headroom and clicks when a channel starts or stops.
void remove_dc(Buffer& b);
void fade_edges(Buffer& b, float in_seconds, float out_seconds);
// Makes a buffer loop without a click: its tail is cross-faded into its head.
void make_loopable(Buffer& b, float crossfade_seconds);
// Turns a looping buffer so that it starts where it is quietest across a
// zero crossing: a channel then starts without a click.
void start_loop_at_zero(Buffer& b);

}  // namespace synth
