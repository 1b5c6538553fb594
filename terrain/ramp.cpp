#include "terrain/ramp.h"

// s = 256 t, clamped to the end samples, linear in between.
template <typename T, typename Lerp>
static T ramp_lookup(const T* samples, float t, Lerp&& lerp) {
  float s = 256.0f * t;
  if (!(s > 0.0f)) return samples[0];
  if (s >= 256.0f) return samples[RAMP_SAMPLES - 1];
  int k = int(s);
  return lerp(samples[k], samples[k + 1], s - float(k));
}

__m128 ColorRamp::lookup(float t) const {
  return ramp_lookup(samples, t, [](__m128 a, __m128 b, float f) {
    return _mm_add_ps(a, _mm_mul_ps(_mm_sub_ps(b, a), _mm_set1_ps(f)));
  });
}

float FloatRamp::lookup(float t) const {
  return ramp_lookup(samples, t, [](float a, float b, float f) { return a + (b - a) * f; });
}
