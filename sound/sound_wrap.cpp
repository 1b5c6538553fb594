// The world repeats every 256 units in x and z; a sound is heard from the
// image of its position nearest the listener.
#include <cmath>

#include "sound/sound_output.h"

namespace {

float wrap_lane(float d) {
  float q = d / SOUND_WORLD_PERIOD;
  // Keeps the sign of d, so t lies in (-256, 256).
  float t = (q - std::trunc(q)) * SOUND_WORLD_PERIOD;
  if (t > SOUND_WORLD_PERIOD * 0.5f) t -= SOUND_WORLD_PERIOD;
  if (t <= -SOUND_WORLD_PERIOD * 0.5f) t += SOUND_WORLD_PERIOD;
  return t;
}

}  // namespace

__m128 wrap_pos_around(__m128 pos, __m128 centre) {
  alignas(16) float d[4];
  _mm_store_ps(d, _mm_sub_ps(pos, centre));
  d[0] = wrap_lane(d[0]);
  d[2] = wrap_lane(d[2]);
  return _mm_add_ps(centre, _mm_load_ps(d));
}

__m128 wrap_sound_pos(__m128 pos) { return wrap_pos_around(pos, get_listener_pos()); }
