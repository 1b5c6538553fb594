#include "terrain/game_random.h"

#include <cmath>

#include "core/ref_time.h"

uint64_t game_rnd_seed = 0;

uint64_t advance_rnd() {
  game_rnd_seed = game_rnd_seed * 0x5851F42D4C957F2DULL + 0x14057B7EF767814FULL;
  return game_rnd_seed;
}

// u = (high 32 bits of the new state) * 2^-32. Rounding the top few values to
// float would give exactly 1, which callers rely on never seeing.
static float unit_draw() {
  float u = float(double(uint32_t(advance_rnd() >> 32)) * (1.0 / 4294967296.0));
  return u < 1.0f ? u : 0x1.fffffep-1f;
}

int hmrnd() { return int((advance_rnd() >> 32) & 255); }
float hmfrnd() { return unit_draw() * 256.0f; }
float hmsrnd() { return (unit_draw() * 2.0f - 1.0f) * 128.0f; }
int irnd() { return int((advance_rnd() >> 32) & 0x7FFFFFFF); }
float frnd() { return unit_draw(); }
float srnd() { return unit_draw() * 2.0f - 1.0f; }
float rndf(float a, float b) { return a + unit_draw() * (b - a); }

void set_rnd_seed(int seed) { game_rnd_seed = uint64_t(int64_t(seed)); }
void randomize_rnd_seed() { game_rnd_seed = uint64_t(get_ref_time()); }

float wrap(float x) {
  float q = x / 256.0f;
  float f = q - std::trunc(q);
  float v = 256.0f * f;
  if (v > 128.0f) return v - 256.0f;
  if (v <= -128.0f) return v + 256.0f;
  return v;
}
