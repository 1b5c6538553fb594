// Ground colours as four floats. A packed 0xAARRGGBB colour (bytes B, G, R, A
// in memory) unpacks to (R, G, B, A) in 0..1; packing clamps, scales by 255,
// rounds to nearest and saturates. Every terrain routine that recolours cells
// goes through these three so that the same blend gives the same bytes.
#pragma once

#include <smmintrin.h>

#include <array>

namespace HeightmapData {

// byte / 255 for every byte, the quotients the division gives, so that
// unpacking needs no divider (erosion unpacks a dozen colours per step).
inline constexpr std::array<float, 256> BYTE_UNITS = [] {
  std::array<float, 256> units{};
  for (int b = 0; b < 256; ++b) units[b] = float(b) / 255.0f;
  return units;
}();

inline __m128 unpack_color(unsigned color) {
  return _mm_setr_ps(BYTE_UNITS[(color >> 16) & 255], BYTE_UNITS[(color >> 8) & 255], BYTE_UNITS[color & 255],
                     BYTE_UNITS[color >> 24]);
}

inline unsigned pack_color(__m128 rgba) {
  // max first: a NaN channel becomes 0 instead of reaching the conversion.
  __m128 clamped = _mm_min_ps(_mm_max_ps(rgba, _mm_setzero_ps()), _mm_set1_ps(1.0f));
  __m128 scaled = _mm_mul_ps(clamped, _mm_set1_ps(255.0f));
  __m128 bgra = _mm_shuffle_ps(scaled, scaled, _MM_SHUFFLE(3, 0, 1, 2));
  __m128i ints = _mm_cvtps_epi32(bgra);
  __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(ints, ints), _mm_setzero_si128());
  return unsigned(_mm_cvtsi128_si32(bytes));
}

// value + (target - value) * t per channel, then clamped and packed.
inline unsigned blend_color(unsigned color, __m128 target, float t) {
  __m128 value = unpack_color(color);
  return pack_color(_mm_add_ps(value, _mm_mul_ps(_mm_sub_ps(target, value), _mm_set1_ps(t))));
}

}  // namespace HeightmapData
