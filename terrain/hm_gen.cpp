#include "terrain/hm_gen.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "core/allocator.h"
#include "core/check.h"
#include "terrain/game_random.h"
#include "terrain/grid_math.h"
#include "terrain/house_templates.h"
#include "terrain/noise.h"
#include "terrain/ramp.h"
#include "terrain/surface_color.h"
#include "terrain/terrain_hooks.h"
#include "terrain/tiled_fractal_grid.h"

// Generator checks report under the generators' own source name.
#define HMGEN_ASSERT(cond)                                                   \
  do {                                                                       \
    if (!(cond)) fatal("%s(%d): failed ASSERT(%s)", "hmGen", __LINE__, #cond); \
  } while (0)

namespace HeightmapData {

// The ramp's alpha says how strongly to paint; color_alpha is the alpha
// stored in the ground colour.
static void paint_from_ramp(Surface& s, const ColorRamp* ramp, float t, int color_alpha) {
  __m128 col = ramp->lookup(t);
  float strength = _mm_cvtss_f32(_mm_shuffle_ps(col, col, _MM_SHUFFLE(3, 3, 3, 3)));
  unsigned alpha = unsigned(color_alpha < 0 ? 0 : color_alpha > 255 ? 255 : color_alpha);
  unsigned packed = (pack_color(col) & 0x00FFFFFFu) | (alpha << 24);
  s.color = blend_color(s.color, unpack_color(packed), strength);
}

static inline void set_ground(Surface& s, int ground) {
  if (ground != GT_NONE) s.ground = unsigned(ground);
}

static int tile_shift_of(int tile) {
  int shift = 0;
  while ((1 << shift) < tile) ++shift;
  return shift;
}

// 256 heights drawn uniformly in [min_ht, max_ht), indexed by a Voronoi cell's hash.
static void draw_cell_heights(float out[256], float min_ht, float max_ht) {
  for (int k = 0; k < 256; ++k) out[k] = min_ht + (max_ht - min_ht) * frnd();
}

static inline int voronoi_cell_hash(int id) { return noise_perm[noise_perm[(id >> 16) & 255] + (id & 255)]; }

void makeFastNoise(float* grid, float amplitude, float roughness) {
  // Parents of one level are read from a snapshot, so no child sees a value
  // written in its own level.
  static float parents[128 * 128];
  grid[cell_index(0, 0)] = grid[cell_index(128, 0)] = grid[cell_index(0, 128)] = grid[cell_index(128, 128)] = -0.5f;
  float g = amplitude;
  for (int d = 128; d >= 2; d >>= 1) {
    int n = HMAP_SIZE / d, e = d / 2;
    for (int pz = 0; pz < n; ++pz)
      for (int px = 0; px < n; ++px) parents[pz * n + px] = grid[cell_index(px * d, pz * d)];
    for (int pz = 0; pz < n; ++pz) {
      for (int px = 0; px < n; ++px) {
        int px1 = (px + 1) % n, pz1 = (pz + 1) % n;
        float p00 = parents[pz * n + px], p10 = parents[pz * n + px1];
        float p01 = parents[pz1 * n + px], p11 = parents[pz1 * n + px1];
        int x = px * d, z = pz * d;
        grid[cell_index(x, z)] = (9.0f * p00 + 3.0f * p10 + 3.0f * p01 + p11) / 16.0f + g * frnd();
        grid[cell_index(x + e, z)] = (9.0f * p10 + 3.0f * p00 + 3.0f * p11 + p01) / 16.0f + g * frnd();
        grid[cell_index(x, z + e)] = (9.0f * p01 + 3.0f * p00 + 3.0f * p11 + p10) / 16.0f + g * frnd();
        grid[cell_index(x + e, z + e)] = (9.0f * p11 + 3.0f * p10 + 3.0f * p01 + p00) / 16.0f + g * frnd();
      }
    }
    g *= roughness;
  }
}

void addFastNoise(float min_ht, float max_ht, const ColorRamp* ramp, int ground, int color_alpha, float roughness) {
  HMGEN_ASSERT(min_ht<=max_ht);
  HMGEN_ASSERT(min_ht>=0);
  float* data = static_cast<float*>(dlrealloc(nullptr, HMAP_CELLS * sizeof(float)));
  HMGEN_ASSERT(data);
  std::memset(data, 0, HMAP_CELLS * sizeof(float));
  makeFastNoise(data, 1.0f, roughness);
  for (int i = 0; i < HMAP_CELLS; ++i) {
    float f = data[i];
    if (ramp) paint_from_ramp(surface[i], ramp, f, color_alpha);
    set_ground(surface[i], ground);
    hmap[i] += f * (max_ht - min_ht) + min_ht;
  }
  dlfree(data);
}

void addSimplexNoise(float min_ht, float max_ht, int tile, int octaves, float persistence) {
  HMGEN_ASSERT(min_ht<=max_ht);
  HMGEN_ASSERT(min_ht>=0);
  HMGEN_ASSERT((tile&(tile-1))==0 && tile>0);
  const TiledFractalGrid noise(octaves, persistence, float(tile),
                               [tile](int k) { return float(tile) * float(k) / 256.0f; });
  const __m128 range = _mm_set1_ps(max_ht - min_ht), base = _mm_set1_ps(min_ht);
  for (int z = 0; z < HMAP_SIZE; ++z)
    for (int x = 0; x < HMAP_SIZE; x += 4) {
      // max returns its second operand on NaN and ties: o < 0 ? 0 : o exactly.
      __m128 o = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(0.286f), noise.sample4(x, z)), _mm_set1_ps(0.5f));
      o = _mm_max_ps(_mm_setzero_ps(), o);
      float* cell = &hmap[cell_index(x, z)];
      _mm_store_ps(cell, _mm_add_ps(_mm_load_ps(cell), _mm_add_ps(_mm_mul_ps(o, range), base)));
    }
}

void addVoronoiHills(int tile, float min_ht, float max_ht, float radius) {
  HMGEN_ASSERT((tile&(tile-1))==0 && tile>0);
  int tile_shift = tile_shift_of(tile);
  float heights[256];
  draw_cell_heights(heights, min_ht, max_ht);
  float r2 = radius * radius;
  for (int z = 0; z < HMAP_SIZE; ++z)
    for (int x = 0; x < HMAP_SIZE; ++x) {
      Point2 offset[9];
      int id[9];
      tiled_voronoi_noise2_all9(float(tile) * float(x) / 256.0f, float(tile) * float(z) / 256.0f, tile_shift, offset, id);
      bool any = false;
      float best = 0.0f;
      for (int k = 0; k < 9; ++k) {
        float w = 1.0f - (offset[k].x * offset[k].x + offset[k].z * offset[k].z) / r2;
        if (!(w > 0.0f)) continue;
        float candidate = heights[voronoi_cell_hash(id[k])] * w;
        if (!any || candidate > best) best = candidate;
        any = true;
      }
      hmap[cell_index(x, z)] += best;
    }
}

void genVoronoiFaults(int tile, float min_ht, float max_ht, float warp, int warp_scale, int octaves, float sharpness) {
  HMGEN_ASSERT((tile&(tile-1))==0 && tile>0);
  int tile_shift = tile_shift_of(tile);
  float plateaus[256];
  draw_cell_heights(plateaus, min_ht, max_ht);
  float h = float(tile) / 256.0f;
  float R = sharpness / h;
  float L = float(tile) * float(warp_scale);
  float m = L / 256.0f;
  // The z warp samples the x warp's noise with the coordinates swapped, so one
  // grid of the x warp serves both: wz(x, z) = wx(z, x).
  alignas(16) static float warp_x[HMAP_CELLS];
  const TiledFractalGrid warp_noise(octaves, 0.5f, L, [m](int k) { return float(k) * m; });
  for (int z = 0; z < HMAP_SIZE; ++z)
    for (int x = 0; x < HMAP_SIZE; x += 4) _mm_store_ps(&warp_x[cell_index(x, z)], warp_noise.sample4(x, z));
  for (int z = 0; z < HMAP_SIZE; ++z)
    for (int x = 0; x < HMAP_SIZE; ++x) {
      float wx = warp_x[cell_index(x, z)];
      float wz = warp_x[cell_index(z, x)];
      float dist[4];
      int id[4];
      tiled_voronoi_noise2_near4(float(x) * h + warp * wx, float(z) * h + warp * wz, tile_shift, dist, id, nullptr);
      float M = plateaus[voronoi_cell_hash(id[0])], Q = plateaus[voronoi_cell_hash(id[1])];
      float s = (std::sqrt(dist[1]) - std::sqrt(dist[0])) * R / std::max(std::fabs(M - Q), 0.1f);
      hmap[cell_index(x, z)] += s > 1.0f ? M : ((M - Q) * s + M + Q) / 2.0f;
    }
}

void genFault(Point2 center, Point2 dir, float height, float balance, float roughness, const ColorRamp* ramp,
              int ground, int color_alpha, float* grid) {
  float len = std::sqrt(dir.x * dir.x + dir.z * dir.z);
  float nx = len > 0.0f ? dir.x / len : 0.0f, nz = len > 0.0f ? dir.z / len : 0.0f;
  float s0 = center.x + center.z + 256.0f * frnd();

  // Displacement and roughness profile along the line, one entry per unit.
  float disp[257], rough[257];
  for (int i = 0; i <= 256; ++i) {
    float a = s0 + 0.005f * float(i);
    float a1 = 2.0f * a + 0.5f, a2 = 2.0f * a1 + 0.5f, a3 = 2.0f * a2 + 0.5f;
    disp[i] = noise1(a) + 0.5f * noise1(a1) + 0.25f * noise1(a2) + 0.125f * noise1(a3);
    float b1 = 32.0f * a + 0.5f, b2 = 2.0f * b1 + 0.5f;
    rough[i] = noise1(16.0f * a) + 0.5f * noise1(b1) + 0.25f * noise1(b2);
  }

  for (int z = 0; z < HMAP_SIZE; ++z)
    for (int x = 0; x < HMAP_SIZE; ++x) {
      float dx = wrap(float(x) - center.x), dz = wrap(float(z) - center.z);
      float across = dx * nx + dz * nz;
      float along = -dx * nz + dz * nx;
      float qa = across / 64.0f, ql = along / 128.0f;
      float F = qa * qa + ql * ql;
      if (!(F < 1.0f)) continue;
      // |along| < 128 inside the ellipse; the clamp only guards rounding at its tip.
      int k = std::clamp(floor_coord(along), -128, 127);
      float t = along - float(k);
      float D = lerp_weights(disp[k + 128], disp[k + 129], t);
      float Rg = lerp_weights(rough[k + 128], rough[k + 129], t);
      float v = ((D + Rg / 16.0f) * roughness + across) * (4.0f - 0.7f * (1.0f - Rg));
      float inside = 1.0f - F;
      float w = (3.0f - 2.0f * inside) * inside * inside;
      float hi = 0.75f * height * w, lo = -0.25f * height * w;
      int i = cell_index(x, z);
      float step;
      if (v > hi) {
        step = hi;
      } else if (v < lo) {
        step = lo;
      } else {
        step = v;
        if (ramp) paint_from_ramp(surface[i], ramp, (v - lo) / (hi - lo), color_alpha);
        set_ground(surface[i], ground);
      }
      grid[i] += step + w * (balance - 0.75f) * height;
    }
}

void genCrater(Point2 center, float radius, float slope, float* grid) {
  float sum = 0.0f;
  int n = 0;
  visit_disc(center.x, center.z, radius, [&](int i, float) {
    sum += grid[i];
    ++n;
    return true;
  });
  float avg = n ? sum / float(n) : grid[cell_index(round_nearest(center.x), round_nearest(center.z))];
  float rim = avg - 1.5f * slope;
  float r2 = radius * radius;
  float inner_rim2 = (radius - 1.5f) * (radius - 1.5f), outer_rim2 = (radius + 1.5f) * (radius + 1.5f);
  visit_disc(center.x, center.z, 2.0f * radius, [&](int i, float d2) {
    float dist = std::sqrt(d2);
    float rb = (dist - radius) / 1.5f;
    float b = 1.0f - rb * rb;
    float& cell = grid[i];
    if (d2 < r2) {
      float v = avg - slope * std::sqrt(r2 - d2);
      if (d2 > inner_rim2) v = v + b * (rim - v);
      if (v < cell) cell = v;
    } else {
      float v = avg - slope * (dist - radius);
      float q = 1.0f - (dist - radius) / radius;
      if (d2 < outer_rim2) v = v + b * (rim - v);
      if (v < cell) cell = cell + (v - cell) * (q * q);
    }
    return true;
  });
}

static inline bool is_digit(char c) { return c >= '0' && c <= '9'; }
static inline bool is_tile_letter(char c) { return c >= 'a' && c <= 'z'; }

void placeHouse(int x, int z, int kind, float* grid, bool keep_level) {
  const HouseTemplate& ht = house_templates[kind == -1 ? 0 : kind == -2 ? 1 : 2 + kind % 3];
  // Wrapped first: every use masks the coordinates anyway, and any int may come in.
  int x0 = int((unsigned(x) - unsigned(ht.len / 2)) & HMAP_MASK);
  int z0 = int((unsigned(z) - unsigned(ht.count / 2)) & HMAP_MASK);
  int x1 = x0 + ht.len, z1 = z0 + ht.count;
  if (kind >= 0 && !test_rect_mark(x0, z0, x1, z1, 15, 0)) return;
  mark_rect(x0, z0, x1, z1, MARK_HOUSE, 0);

  float sum = 0.0f;
  for (int zz = z0; zz <= z1; ++zz)
    for (int xx = x0; xx <= x1; ++xx) sum += grid[cell_index(xx, zz)];
  if (keep_level)
    for (const char* c = ht.heights; *c; ++c)
      if (is_digit(*c)) sum -= float(*c - '0') * ht.scale / 9.0f;
  float base = sum / float((ht.len + 1) * (ht.count + 1));

  for (int i = 0; i <= ht.count; ++i)
    for (int t = 0; t <= ht.len; ++t) {
      char c = ht.heights[(ht.count - i) * (ht.len + 1) + t];
      if (is_digit(c)) grid[cell_index(x0 + t, z0 + i)] = float(c - '0') * ht.scale / 9.0f + base;
    }

  for (int i = 0; i < ht.count; ++i)
    for (int t = 0; t < ht.len; ++t) {
      int k = (ht.count - 1 - i) * ht.len + t;
      char c = ht.tiles[k];
      if (!is_tile_letter(c)) continue;
      Surface& s = surface[cell_index(x0 + t, z0 + i)];
      s.overlay = 0;
      s.flags &= ~0xFFu;
      s.house_tile = unsigned(c - 'a');
      s.house_variant = unsigned(ht.variants[k]) & 7;
    }
}

}  // namespace HeightmapData

using namespace HeightmapData;

static inline float falloff(float d2, float r2, float exponent) { return 1.0f - std::pow(d2 / r2, exponent); }

void circle_brush(float cx, float cz, float radius, float amount, float exponent, float* grid) {
  if (!(radius > 0.0f)) return;
  float r2 = radius * radius;
  visit_disc(cx, cz, radius, [&](int i, float d2) {
    grid[i] += falloff(d2, r2, exponent) * amount;
    return true;
  });
}

void flatten_circle(float cx, float cz, float radius, float level, float strength, float exponent, float* grid) {
  if (!(radius > 0.0f)) return;
  float r2 = radius * radius;
  visit_disc(cx, cz, radius, [&](int i, float d2) {
    float v = grid[i];
    grid[i] = v + falloff(d2, r2, exponent) * strength * (level - v);
    return true;
  });
}

// The module's land height reads the live ground, so it only stands in for
// the centre height when the caller measures hmap itself.
static float centre_height(float* grid, float x, float z) {
  if (grid == hmap && terrain_hooks.land_height) return terrain_hooks.land_height(x, z);
  return bilinear_height(grid, x, z);
}

float get_average_circle_height(float cx, float cz, float radius, float* grid) {
  if (!(radius > 0.0f)) radius = 0.0f;
  float sum = centre_height(grid, cx, cz);
  int n = 0;
  visit_disc(cx, cz, radius, [&](int i, float) {
    sum += grid[i];
    ++n;
    return true;
  });
  return sum / float(1 + n);
}
