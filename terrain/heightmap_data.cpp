#include "terrain/heightmap_data.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "terrain/grid_math.h"
#include "terrain/surface_color.h"
#include "terrain/terrain_hooks.h"

namespace HeightmapData {

const __m128 burnt_ground_color = _mm_setr_ps(0.01f, 0.01f, 0.01f, 0.0f);
const __m128 ash_overlay_color = _mm_setr_ps(0.04f, 0.04f, 0.04f, 0.5f);

alignas(16) float hmap[HMAP_CELLS];
alignas(16) float target_hmap[HMAP_CELLS];
alignas(16) Water water[HMAP_SIZE][HMAP_SIZE];
alignas(16) Water tmpw[HMAP_SIZE][HMAP_SIZE];
alignas(16) Surface surface[HMAP_CELLS];
LandSoundGroup land_sound[LAND_SOUND_GROUPS];
float water_vapor_accum;

void stopSounds() {
  if (terrain_hooks.stop_land_sounds) terrain_hooks.stop_land_sounds(land_sound, LAND_SOUND_GROUPS);
}

void reset() {
  stopSounds();
  Surface fresh;
  fresh.color = 0xFF808080;
  fresh.overlay = 0;
  fresh.flags = 0;
  fresh.ground = GT_ROCK;
  for (int i = 0; i < HMAP_CELLS; ++i) {
    hmap[i] = 0.0f;
    target_hmap[i] = 0.0f;
    surface[i] = fresh;
    water_at(i) = Water{0.0f, 0.0f, 0.0f, 0.0f};
  }
  for (LandSoundGroup& g : land_sound) {
    g.pos_accum = _mm_setzero_ps();
    g.channel = 0;
  }
}

void calcHtRange(float& min_h, float& max_h) {
  float lo = hmap[0], hi = hmap[0];
  for (int i = 1; i < HMAP_CELLS; ++i) {
    if (hmap[i] < lo) lo = hmap[i];
    if (hmap[i] > hi) hi = hmap[i];
  }
  min_h = lo;
  max_h = hi;
}

float recenterHt() {
  float lo, hi;
  calcHtRange(lo, hi);
  float shift = -(lo + hi) / 2.0f;
  for (float& h : hmap) h += shift;
  return (hi - lo) / 2.0f;
}

void addWaterEverywhere(float depth) {
  for (int i = 0; i < HMAP_CELLS; ++i) water_at(i).amount += depth;
}

// Ground plus (optionally) fluid depth; lava raises the surface like water.
static inline float surface_level(int x, int z, bool with_fluid) {
  int i = cell_index(x, z);
  return with_fluid ? hmap[i] + std::fabs(water_at(i).amount) : hmap[i];
}

__m128 calcSquareDepth(__m128 pos, float half_size, bool with_fluid) {
  float px = _mm_cvtss_f32(pos);
  float py = _mm_cvtss_f32(_mm_shuffle_ps(pos, pos, _MM_SHUFFLE(1, 1, 1, 1)));
  float pz = _mm_cvtss_f32(_mm_shuffle_ps(pos, pos, _MM_SHUFFLE(2, 2, 2, 2)));
  auto edge_floor = [](float v) { return round_nearest(v - 0.4999999f); };
  float ex0 = px - half_size, ex1 = px + half_size, ez0 = pz - half_size, ez1 = pz + half_size;
  int x0 = edge_floor(ex0), x1 = edge_floor(ex1), z0 = edge_floor(ez0), z1 = edge_floor(ez1);
  float fx0 = ex0 - float(x0), fx1 = ex1 - float(x1), fz0 = ez0 - float(z0), fz1 = ez1 - float(z1);
  auto s = [with_fluid](int x, int z) { return surface_level(x, z, with_fluid); };
  auto along_x = [&](int x, int z, float fx) { return lerp_weights(s(x, z), s(x + 1, z), fx); };
  auto along_z = [&](int x, int z, float fz) { return lerp_weights(s(x, z), s(x, z + 1), fz); };
  auto bilinear = [&](int x, int z, float fx, float fz) {
    return lerp_weights(along_x(x, z, fx), along_x(x, z + 1, fx), fz);
  };

  float top = -FLT_MAX;
  auto take = [&top](float v) {
    if (v > top) top = v;
  };
  take(bilinear(x0, z0, fx0, fz0));
  take(bilinear(x1, z0, fx1, fz0));
  take(bilinear(x0, z1, fx0, fz1));
  take(bilinear(x1, z1, fx1, fz1));
  // Only the maximum matters, so each loop stops once it has seen every row
  // or column of the map.
  for (int64_t x = x0 + 1; x <= last_distinct(x0 + 1, x1); ++x) {
    take(along_z(int(x & HMAP_MASK), z0, fz0));
    take(along_z(int(x & HMAP_MASK), z1, fz1));
  }
  for (int64_t z = z0 + 1; z <= last_distinct(z0 + 1, z1); ++z) {
    take(along_x(x0, int(z & HMAP_MASK), fx0));
    take(along_x(x1, int(z & HMAP_MASK), fx1));
  }
  for (int64_t z = z0 + 1; z <= last_distinct(z0 + 1, z1); ++z)
    for (int64_t x = x0 + 1; x <= last_distinct(x0 + 1, x1); ++x) take(s(int(x & HMAP_MASK), int(z & HMAP_MASK)));
  return _mm_set1_ps(top - py);
}

// ---- marks ----

static inline void apply_mark(int i, unsigned value, unsigned mask) {
  Surface& s = surface[i];
  s.marks = (value | (s.marks & ~mask)) & 255;
}

static inline bool mark_matches(int i, unsigned mask, unsigned expect) {
  return (surface[i].marks & mask) == expect;
}

// Small circles still touch the cell they are centred on.
template <typename Fn>
static bool visit_mark_disc(float cx, float cz, float radius, Fn&& fn) {
  if (radius <= 1.0f) return fn(cell_index(round_nearest(cx), round_nearest(cz)), 0.0f);
  return visit_disc(cx, cz, radius, fn);
}

template <typename Fn>
static bool visit_rect(int x0, int z0, int x1, int z1, Fn&& fn) {
  for (int64_t z = z0; z <= last_distinct(z0, z1); ++z)
    for (int64_t x = x0; x <= last_distinct(x0, x1); ++x)
      if (!fn(cell_index(int(x & 255), int(z & 255)))) return false;
  return true;
}

void mark_rect(int x0, int z0, int x1, int z1, unsigned value, unsigned mask) {
  visit_rect(x0, z0, x1, z1, [&](int i) {
    apply_mark(i, value, mask);
    return true;
  });
}

void mark_circle(float cx, float cz, float radius, unsigned value, unsigned mask) {
  visit_mark_disc(cx, cz, radius, [&](int i, float) {
    apply_mark(i, value, mask);
    return true;
  });
}

void mark_water(float level, unsigned value, unsigned mask) {
  for (int i = 0; i < HMAP_CELLS; ++i)
    if (!(water_at(i).amount <= level)) apply_mark(i, value, mask);
}

bool test_rect_mark(int x0, int z0, int x1, int z1, unsigned mask, unsigned expect) {
  return visit_rect(x0, z0, x1, z1, [&](int i) { return mark_matches(i, mask, expect); });
}

bool test_circle_mark(float cx, float cz, float radius, unsigned mask, unsigned expect) {
  return visit_mark_disc(cx, cz, radius, [&](int i, float) { return mark_matches(i, mask, expect); });
}

// ---- rock and fluid per cell ----

// Raises the ground by d and darkens it towards ash.
static void deposit_ash(int i, float d) {
  hmap[i] += d;
  target_hmap[i] += d;
  float t = std::min(100.0f * d, 1.0f);
  Surface& s = surface[i];
  s.overlay = blend_color(s.overlay, ash_overlay_color, t);
  if (t >= 0.5f) s.surf = ST_ASH;
  s.color = blend_color(s.color, burnt_ground_color, t);
}

void depositRock(int i, float amount) { deposit_ash(i, amount); }

void addLavaAt(int i, float x) {
  Water& w = water_at(i);
  float b = w.amount;
  if (x > 0.0f && b > 0.0f) {
    float hard = std::min(x, b);
    if (x > b) {
      w.vel_x = 0.0f;
      w.vel_z = 0.0f;
    }
    float h_old = hmap[i];
    deposit_ash(i, hard);
    water_vapor_fx(i & HMAP_MASK, i >> HMAP_SIZE_SHIFT, h_old + hard + std::fabs(b - x), hard);
    w.amount = b - x;
  } else if (x > 0.0f) {
    w.amount = b - x;
  } else if (b < x) {
    w.amount = b - x;
  } else if (b < 0.0f) {
    w.amount = 0.0f;
  }
}

void addWaterAt(int i, float x) {
  Water& w = water_at(i);
  float b = w.amount;
  if (x > 0.0f && b < 0.0f) {
    float hard = std::min(x, -b);
    float h_old = hmap[i];
    deposit_ash(i, hard);
    water_vapor_fx(i & HMAP_MASK, i >> HMAP_SIZE_SHIFT, h_old + hard + std::fabs(b + x), hard);
    w.amount = b + x;
  } else if (x > 0.0f) {
    w.amount = b + x;
  } else if (b > -x) {
    w.amount = b + x;
  } else if (b > 0.0f) {
    w.amount = 0.0f;
  }
}

void water_vapor_fx(int x, int z, float height, float amount) {
  if (terrain_hooks.water_vapor) terrain_hooks.water_vapor(x, z, height, amount);
}

}  // namespace HeightmapData
