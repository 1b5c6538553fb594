// Rounding and disc walking shared by all terrain code. Worlds must be a pure
// function of the seed, so every piece of terrain code rounds the same way:
// floor and ceiling are round-to-nearest of v -/+ 0.49999988.
#pragma once

#include <xmmintrin.h>

#include <cstdint>

#include "terrain/heightmap_data.h"

inline int round_nearest(float v) { return _mm_cvt_ss2si(_mm_set_ss(v)); }
inline int floor_coord(float v) { return round_nearest(v - 0.49999988f); }
inline int ceil_coord(float v) { return round_nearest(v + 0.49999988f); }

// Bilinear interpolation with the weights (1 - t, t).
inline float lerp_weights(float a, float b, float t) { return a * (1.0f - t) + b * t; }

// Last coordinate worth walking in [first, last] for work that gives the same
// result however often a cell is visited (marks, tests, maxima): 256
// consecutive rows or columns already reach every cell of the wrapping map.
inline int64_t last_distinct(int64_t first, int64_t last) { return last < first + 255 ? last : first + 255; }

// Discs come from script arguments. One wider than this many cells covers
// the wrapping map several times over; walking only its middle keeps an
// absurd radius from freezing the game (idempotent uses such as marks still
// reach every cell they would have reached).
constexpr int64_t MAX_DISC_SPAN = 2048;

inline void limit_disc_span(int64_t& lo, int64_t& hi) {
  if (hi - lo < MAX_DISC_SPAN) return;
  int64_t mid = lo + (hi - lo) / 2;
  lo = mid - MAX_DISC_SPAN / 2;
  hi = lo + MAX_DISC_SPAN - 1;
}

// Calls fn(cell_index, dist2) for the cells (x, z), cell centres at integer
// coordinates, with (x - cx)^2 + (z - cz)^2 < r^2, rows then columns. Stops
// early and returns false as soon as fn returns false.
template <typename Fn>
bool visit_disc(float cx, float cz, float r, Fn&& fn) {
  int64_t z0 = ceil_coord(cz - r), z1 = floor_coord(cz + r);
  int64_t x0 = ceil_coord(cx - r), x1 = floor_coord(cx + r);
  limit_disc_span(z0, z1);
  limit_disc_span(x0, x1);
  float r2 = r * r;
  for (int64_t z = z0; z <= z1; ++z) {
    float dz = float(z) - cz;
    for (int64_t x = x0; x <= x1; ++x) {
      float dx = float(x) - cx;
      float d2 = dx * dx + dz * dz;
      if (d2 < r2 && !fn(HeightmapData::cell_index(int(x & 255), int(z & 255)), d2)) return false;
    }
  }
  return true;
}

// Height of a grid at a continuous map position, bilinear between the four
// surrounding lattice points (wrapping).
inline float bilinear_height(const float* grid, float x, float z) {
  int ix = floor_coord(x), iz = floor_coord(z);
  float fx = x - float(ix), fz = z - float(iz);
  using HeightmapData::cell_index;
  float top = lerp_weights(grid[cell_index(ix, iz)], grid[cell_index(ix + 1, iz)], fx);
  float bottom = lerp_weights(grid[cell_index(ix, iz + 1)], grid[cell_index(ix + 1, iz + 1)], fx);
  return lerp_weights(top, bottom, fz);
}
