// Moving ground: every update hmap steps towards target_hmap, exponentially
// plus a constant speed, landing on the target exactly. While ground moves,
// its sound is gathered in eight groups, the octants around the camera, and
// handed to the land sound hook.
#include <cmath>
#include <cstdlib>
#include <smmintrin.h>

#include "terrain/grid_math.h"
#include "terrain/heightmap_data.h"
#include "terrain/terrain_hooks.h"

namespace HeightmapData {
namespace {

constexpr float MORPH_RATE = 0.2f;       // share of the distance per second
constexpr float MORPH_AT_REST = 0.001f;  // blocks closer than this to their target stay

inline __m128 splat(float v) { return _mm_set1_ps(v); }
inline __m128 abs_of(__m128 v) { return _mm_andnot_ps(splat(-0.0f), v); }

// h + sign(diff) * min(|diff| * rate + dt, |diff|) for four cells; a step that
// reaches the target lands on it exactly.
inline __m128 morph_step(__m128 h, __m128 target, __m128 rate, __m128 dt) {
  __m128 diff = _mm_sub_ps(target, h);
  __m128 dist = abs_of(diff);
  __m128 step = _mm_add_ps(_mm_mul_ps(dist, rate), dt);
  __m128 arrives = _mm_cmpge_ps(step, dist);
  __m128 signed_step = _mm_or_ps(step, _mm_and_ps(diff, splat(-0.0f)));
  return _mm_blendv_ps(_mm_add_ps(h, signed_step), target, arrives);
}

inline __m128 morph_rate(float dt) { return splat(std::min(MORPH_RATE * dt, 1.0f)); }

// A cell offset from the camera, wrapped into -128..128.
inline int wrap_offset(int d) {
  d &= HMAP_MASK;
  return d >= 129 ? d - HMAP_SIZE : d;
}

inline int octant(int mx, int mz) { return 4 * (std::abs(mx) < std::abs(mz)) + 2 * (mz < 0) + (mx < 0); }

inline float max_lane(__m128 v) {
  v = _mm_max_ps(v, _mm_shuffle_ps(v, v, _MM_SHUFFLE(2, 3, 0, 1)));
  v = _mm_max_ps(v, _mm_shuffle_ps(v, v, _MM_SHUFFLE(1, 0, 3, 2)));
  return _mm_cvtss_f32(v);
}

// The camera's cell; without a listener the camera counts as at the origin.
void camera_cell(int& cx, int& cz) {
  alignas(16) float pos[4];
  _mm_store_ps(pos, terrain_hooks.listener_pos ? terrain_hooks.listener_pos() : _mm_setzero_ps());
  cx = round_nearest(pos[0]) & HMAP_MASK;
  cz = round_nearest(pos[2]) & HMAP_MASK;
}

}  // namespace

void updateHmap(float dt) {
  const __m128 rate = morph_rate(dt), step = splat(dt);
  const __m128 at_rest = splat(MORPH_AT_REST);
  int cx, cz;
  camera_cell(cx, cz);
  for (LandSoundGroup& group : land_sound) group.pos_accum = _mm_setzero_ps();

  for (int z = 0; z < HMAP_SIZE; ++z) {
    const int mz = wrap_offset(z - cz);
    float* h_row = hmap + (z << HMAP_SIZE_SHIFT);
    const float* t_row = target_hmap + (z << HMAP_SIZE_SHIFT);
    for (int x = 0; x < HMAP_SIZE; x += 4) {
      __m128 h = _mm_load_ps(h_row + x), t = _mm_load_ps(t_row + x);
      __m128 dist = abs_of(_mm_sub_ps(t, h));
      if (_mm_movemask_ps(_mm_cmplt_ps(dist, at_rest)) == 0xF) continue;

      // Heard from where it moves, weighted by how far it moves; positions
      // relative to the camera so that a group stays together across the edge.
      const int mx = wrap_offset(x - cx);
      __m128 where = _mm_setr_ps(float(cx + mx), max_lane(h), float(cz + mz), 1.0f);
      LandSoundGroup& group = land_sound[octant(mx, mz)];
      group.pos_accum = _mm_add_ps(group.pos_accum, _mm_mul_ps(splat(max_lane(dist)), where));
      _mm_store_ps(h_row + x, morph_step(h, t, rate, step));
    }
  }
  if (terrain_hooks.play_land_sounds) terrain_hooks.play_land_sounds(land_sound, LAND_SOUND_GROUPS);
}

void morphHmap(float dt, float* out) {
  const __m128 rate = morph_rate(dt), step = splat(dt);
  for (int i = 0; i < HMAP_CELLS; i += 4)
    _mm_store_ps(out + i, morph_step(_mm_load_ps(hmap + i), _mm_load_ps(target_hmap + i), rate, step));
}

}  // namespace HeightmapData
