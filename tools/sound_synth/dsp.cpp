#include "tools/sound_synth/dsp.h"

#include <algorithm>

namespace synth {

Reverb::Reverb(int rate, float room, float damping) : feedback(0.7f + 0.28f * room), damp(damping) {
  // Mutually prime delays so the echoes do not pile up into a pitch.
  static const float comb_ms[4] = {29.7f, 37.1f, 41.1f, 43.7f};
  static const float ap_ms[2] = {5.0f, 1.7f};
  for (int i = 0; i < 4; i++) combs[i].buf.assign(size_t(comb_ms[i] * (0.6f + room) * rate / 1000), 0.f);
  for (int i = 0; i < 2; i++) allpasses[i].buf.assign(size_t(ap_ms[i] * rate / 1000) + 1, 0.f);
}

float Reverb::process(float x) {
  float out = 0;
  for (Line& c : combs) {
    float y = c.buf[c.pos];
    c.filt = y * (1 - damp) + c.filt * damp;
    c.buf[c.pos] = x + c.filt * feedback;
    c.pos = (c.pos + 1) % c.buf.size();
    out += y;
  }
  out *= 0.25f;
  for (Line& a : allpasses) {
    float y = a.buf[a.pos];
    a.buf[a.pos] = out + y * 0.5f;
    a.pos = (a.pos + 1) % a.buf.size();
    out = y - out * 0.5f;
  }
  return out;
}

void add_reverb(Buffer& b, float room, float damping, float wet) {
  for (int ch = 0; ch < b.channels; ch++) {
    // Slightly different rooms per channel widen stereo signals.
    Reverb r(b.rate, room + 0.03f * ch, damping);
    for (size_t i = ch; i < b.data.size(); i += b.channels) b.data[i] += wet * r.process(b.data[i]);
  }
}

void normalize(Buffer& b, float peak) {
  float m = 0;
  for (float v : b.data) m = std::max(m, std::fabs(v));
  if (m <= 0) return;
  float k = peak / m;
  for (float& v : b.data) v *= k;
}

void remove_dc(Buffer& b) {
  for (int ch = 0; ch < b.channels; ch++) {
    Biquad hp;
    hp.set(Biquad::HIGHPASS, 25.f, 0.707f, b.rate);
    for (size_t i = ch; i < b.data.size(); i += b.channels) b.data[i] = hp.process(b.data[i]);
  }
}

void fade_edges(Buffer& b, float in_seconds, float out_seconds) {
  size_t n = b.frames();
  size_t fin = std::min(n, size_t(in_seconds * b.rate)), fout = std::min(n, size_t(out_seconds * b.rate));
  for (size_t i = 0; i < fin; i++)
    for (int ch = 0; ch < b.channels; ch++) b.data[i * b.channels + ch] *= float(i) / fin;
  for (size_t i = 0; i < fout; i++)
    for (int ch = 0; ch < b.channels; ch++) b.data[(n - 1 - i) * b.channels + ch] *= float(i) / fout;
}

void make_loopable(Buffer& b, float crossfade_seconds) {
  size_t n = b.frames(), x = std::min(n / 2, size_t(crossfade_seconds * b.rate));
  if (x == 0) return;
  // The last x frames fade out over the first x frames, which fade in; the
  // buffer then ends where its new head continues.
  Buffer out(b.rate, 0, b.channels);
  out.data.assign((n - x) * b.channels, 0.f);
  for (size_t i = 0; i < n - x; i++)
    for (int ch = 0; ch < b.channels; ch++) {
      float v = b.data[i * b.channels + ch];
      if (i < x) {
        float k = float(i) / x;
        v = v * std::sqrt(k) + b.data[(n - x + i) * b.channels + ch] * std::sqrt(1 - k);
      }
      out.data[i * b.channels + ch] = v;
    }
  b.data.swap(out.data);
}

void start_loop_at_zero(Buffer& b) {
  size_t n = b.frames();
  if (n < 2) return;
  size_t best = 0;
  float best_level = 1e30f;
  for (size_t i = 1; i < n; i++) {
    float prev = b.data[(i - 1) * b.channels], cur = b.data[i * b.channels];
    if (!(prev <= 0 && cur > 0)) continue;
    float level = 0;
    for (int ch = 0; ch < b.channels; ch++) level += std::fabs(b.data[i * b.channels + ch]);
    if (level < best_level) {
      best_level = level;
      best = i;
    }
  }
  std::rotate(b.data.begin(), b.data.begin() + best * b.channels, b.data.end());
}

}  // namespace synth
