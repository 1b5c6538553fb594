// e^x four lanes at a time for x in [-80, 0], within APPROX_EXP_ERROR of the
// library's expf. Not a replacement for expf: callers use it where they can
// tell from their rounded results that an error this small did not change
// them, and call the library where it might have.
#pragma once

#include <smmintrin.h>

#include <initializer_list>

constexpr float APPROX_EXP_MIN_X = -80.0f;
constexpr float APPROX_EXP_ERROR = 1e-6f;  // absolute; the results are at most 1

inline __m128 approx_exp_nonpositive(__m128 x) {
  // x = n ln2 + r with |r| <= ln2 / 2; ln2 split so that n * high is exact.
  const __m128 n = _mm_round_ps(_mm_mul_ps(x, _mm_set1_ps(1.44269504f)), _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
  __m128 r = _mm_sub_ps(x, _mm_mul_ps(n, _mm_set1_ps(0.693359375f)));
  r = _mm_sub_ps(r, _mm_mul_ps(n, _mm_set1_ps(-2.12194440e-4f)));
  // Taylor series to r^7: the first omitted term is below 6e-9.
  __m128 p = _mm_set1_ps(1.0f / 5040.0f);
  for (float c : {1.0f / 720.0f, 1.0f / 120.0f, 1.0f / 24.0f, 1.0f / 6.0f, 0.5f, 1.0f, 1.0f})
    p = _mm_add_ps(_mm_mul_ps(p, r), _mm_set1_ps(c));
  // 2^n for n in [-116, 0], a normal float.
  const __m128i exponent = _mm_slli_epi32(_mm_add_epi32(_mm_cvtps_epi32(n), _mm_set1_epi32(127)), 23);
  return _mm_mul_ps(p, _mm_castsi128_ps(exponent));
}
