#include "tools/sound_synth/music.h"

#include <algorithm>

#include "tools/sound_synth/voices.h"

namespace synth {

namespace {

float note_hz(int midi) { return 440.f * std::pow(2.f, (midi - 69) / 12.f); }

// One mono track; notes are added at absolute times.
struct Track {
  Buffer mono;
  float pan;  // -1 left .. 1 right
  float reverb;
};

void pad(Buffer& b, float start, float len, int midi, float gain) {
  Osc o[3];
  Biquad lp;
  lp.set(Biquad::LOWPASS, 1400, 0.7f, b.rate);
  float f = note_hz(midi);
  size_t s = size_t(start * b.rate), e = std::min(b.frames(), size_t((start + len + 1.5f) * b.rate));
  for (size_t i = s; i < e; i++) {
    float t = float(i - s) / b.rate;
    float v = o[0].saw(f, b.rate) + o[1].saw(f * 1.004f, b.rate) + o[2].saw(f * 0.996f, b.rate);
    b.data[i] += gain * adsr(t, len, 0.8f, 0.5f, 0.7f, 1.5f) * lp.process(v) * 0.2f;
  }
}

void bass(Buffer& b, float start, float len, int midi, float gain) {
  Osc o, sub;
  Biquad lp;
  float f = note_hz(midi);
  size_t s = size_t(start * b.rate), e = std::min(b.frames(), size_t((start + len + 0.2f) * b.rate));
  for (size_t i = s; i < e; i++) {
    float t = float(i - s) / b.rate;
    if (((i - s) & 7) == 0) lp.set(Biquad::LOWPASS, 200 + 1200 * std::exp(-t * 8), 1.2f, b.rate);
    float v = lp.process(o.saw(f, b.rate)) + 0.6f * sub.sine(f, b.rate);
    b.data[i] += gain * adsr(t, len, 0.01f, 0.15f, 0.6f, 0.15f) * v;
  }
}

void pluck(Buffer& b, float start, int midi, float gain) {
  Osc o, o2;
  float f = note_hz(midi);
  size_t s = size_t(start * b.rate), e = std::min(b.frames(), size_t((start + 1.5f) * b.rate));
  for (size_t i = s; i < e; i++) {
    float t = float(i - s) / b.rate;
    b.data[i] += gain * percussive(t, 0.003f, 0.35f) * (o.triangle(f, b.rate) + 0.3f * o2.sine(2 * f, b.rate));
  }
}

void kick(Buffer& b, float start, float gain) {
  Osc o;
  size_t s = size_t(start * b.rate), e = std::min(b.frames(), size_t((start + 0.5f) * b.rate));
  for (size_t i = s; i < e; i++) {
    float t = float(i - s) / b.rate;
    b.data[i] += gain * percussive(t, 0.002f, 0.12f) * o.sine(48 + 110 * std::exp(-t * 30), b.rate);
  }
}

void hat(Buffer& b, float start, float gain, Noise& n, float decay = 0.03f) {
  Biquad hp;
  hp.set(Biquad::HIGHPASS, 7000, 0.7f, b.rate);
  size_t s = size_t(start * b.rate), e = std::min(b.frames(), size_t((start + decay * 6) * b.rate));
  for (size_t i = s; i < e; i++) b.data[i] += gain * percussive(float(i - s) / b.rate, 0.001f, decay) * hp.process(n.white());
}

void tom(Buffer& b, float start, float pitch, float gain) {
  Osc o;
  size_t s = size_t(start * b.rate), e = std::min(b.frames(), size_t((start + 0.6f) * b.rate));
  for (size_t i = s; i < e; i++) {
    float t = float(i - s) / b.rate;
    b.data[i] += gain * percussive(t, 0.002f, 0.18f) * o.sine(pitch * (1 + 0.5f * std::exp(-t * 20)), b.rate);
  }
}

// Adds track tails past `loop_len` onto the loop's head so the loop repeats
// as if the previous bar had just played.
void fold_tail(Buffer& b, size_t loop_frames) {
  for (size_t i = loop_frames; i < b.frames(); i++) b.data[i - loop_frames] += b.data[i];
  b.data.resize(loop_frames);
}

// Reverb over a looping track: run it over two copies, keep the second, whose
// echoes come from the end of the first.
void loop_reverb(Buffer& b, float wet) {
  if (wet <= 0) return;
  size_t n = b.data.size();
  Buffer twice = b;
  twice.data.insert(twice.data.end(), b.data.begin(), b.data.end());
  add_reverb(twice, 0.8f, 0.4f, wet);
  std::copy(twice.data.begin() + n, twice.data.end(), b.data.begin());
}

// Mixes the intro tracks and the loop tracks into one stereo piece.
Music mix(std::string name, int rate, std::vector<Track>& intro, float intro_len, std::vector<Track>& loop,
          float loop_len) {
  size_t intro_frames = size_t(intro_len * rate), loop_frames = size_t(loop_len * rate);
  Buffer out(rate, 0, 2);
  out.data.assign((intro_frames + loop_frames) * 2, 0.f);
  auto put = [&](Track& t, size_t offset, size_t count) {
    float l = std::sqrt(0.5f * (1 - t.pan)), r = std::sqrt(0.5f * (1 + t.pan));
    for (size_t i = 0; i < count && i < t.mono.frames(); i++) {
      out.data[(offset + i) * 2] += t.mono.data[i] * l;
      out.data[(offset + i) * 2 + 1] += t.mono.data[i] * r;
    }
  };
  for (Track& t : intro) {
    add_reverb(t.mono, 0.8f, 0.4f, t.reverb);
    // The intro must not ring into the loop: it would ring again on every repeat.
    t.mono.data.resize(intro_frames, 0.f);
    fade_edges(t.mono, 0.f, 0.6f);
    put(t, 0, intro_frames);
  }
  for (Track& t : loop) {
    fold_tail(t.mono, loop_frames);
    loop_reverb(t.mono, t.reverb);
    put(t, intro_frames, loop_frames);
  }
  normalize(out, 0.8f);
  return {std::move(name), intro_len, std::move(out)};
}

Track track(int rate, float seconds, float pan, float reverb) { return {Buffer(rate, seconds + 4.f), pan, reverb}; }

}  // namespace

// Calm and wide: slow A-minor pad chords, a bell melody, a soft pulse.
Music menu_music(int rate) {
  const float beat = 60.f / 66, bar = 4 * beat, intro_len = 2 * bar, loop_len = 8 * bar;
  static const int chords[4][3] = {{57, 60, 64}, {53, 57, 60}, {48, 52, 55}, {55, 59, 62}};  // Am F C G
  static const int melody[16] = {76, 72, 74, 71, 72, 69, 71, 67, 69, 72, 76, 74, 72, 71, 69, 64};

  std::vector<Track> intro = {track(rate, intro_len, 0, 0.5f), track(rate, intro_len, 0.3f, 0.6f)};
  pad(intro[0].mono, 0, intro_len - 1.5f, 45, 0.6f);
  pad(intro[0].mono, bar * 0.5f, intro_len - 2.f, 52, 0.4f);
  for (int i = 0; i < 4; i++) bell(intro[1].mono, i * beat * 1.5f, note_hz(81 - 3 * i), 0.6f, 0.25f);

  std::vector<Track> loop = {track(rate, loop_len, -0.2f, 0.5f), track(rate, loop_len, 0.35f, 0.7f),
                             track(rate, loop_len, 0, 0.15f), track(rate, loop_len, -0.4f, 0.4f)};
  for (int b = 0; b < 8; b++) {
    int const* c = chords[b % 4];
    for (int k = 0; k < 3; k++) pad(loop[0].mono, b * bar, bar, c[k], 0.45f);
    bass(loop[2].mono, b * bar, bar * 0.9f, c[0] - 12, 0.35f);
    for (int q = 0; q < 4; q++) pluck(loop[3].mono, b * bar + q * beat, c[q % 3] + 12, 0.12f);
    if (b >= 4) continue;
  }
  for (int i = 0; i < 16; i++) bell(loop[1].mono, i * 2 * beat, note_hz(melody[i]), 0.7f, 0.2f);
  return mix("music_menu", rate, intro, intro_len, loop, loop_len);
}

// Driving: drums, a pulsing bass line in D minor, pad and a plucked motif.
Music game_music(int rate) {
  const float beat = 60.f / 100, bar = 4 * beat, intro_len = 2 * bar, loop_len = 8 * bar;
  static const int roots[8] = {50, 50, 46, 46, 48, 48, 45, 45};  // Dm Bb C A
  static const int motif[8] = {74, 77, 76, 74, 72, 74, 69, 72};
  Noise n(4242);

  std::vector<Track> intro = {track(rate, intro_len, 0, 0.3f), track(rate, intro_len, 0, 0.4f)};
  for (int i = 0; i < 8; i++) tom(intro[0].mono, i * beat * 0.75f, 90 + i * 12, 0.5f + i * 0.05f);
  pad(intro[1].mono, 0, intro_len - 1.2f, 50, 0.5f);
  pad(intro[1].mono, 0, intro_len - 1.2f, 57, 0.4f);

  std::vector<Track> loop = {track(rate, loop_len, 0, 0.1f), track(rate, loop_len, 0.25f, 0.1f),
                             track(rate, loop_len, 0, 0.1f), track(rate, loop_len, -0.3f, 0.5f),
                             track(rate, loop_len, 0.4f, 0.5f)};
  for (int b = 0; b < 8; b++) {
    float t0 = b * bar;
    for (int q = 0; q < 4; q++) {
      kick(loop[0].mono, t0 + q * beat, q % 2 ? 0.5f : 0.8f);
      hat(loop[1].mono, t0 + q * beat + beat / 2, 0.25f, n);
      hat(loop[1].mono, t0 + q * beat, 0.12f, n, 0.015f);
    }
    if (b % 2 == 1) tom(loop[0].mono, t0 + 3.5f * beat, 140, 0.4f);
    for (int e = 0; e < 8; e++) bass(loop[2].mono, t0 + e * beat / 2, beat / 2 * 0.8f, roots[b] - 12 + (e == 6 ? 7 : 0), 0.35f);
    pad(loop[3].mono, t0, bar, roots[b] + 12, 0.35f);
    pad(loop[3].mono, t0, bar, roots[b] + 19, 0.25f);
    pluck(loop[4].mono, t0 + (b % 2) * beat, motif[b], 0.25f);
    pluck(loop[4].mono, t0 + 2.5f * beat, motif[(b + 3) % 8], 0.2f);
  }
  return mix("music_game", rate, intro, intro_len, loop, loop_len);
}

}  // namespace synth
