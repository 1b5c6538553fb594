// Noise on the generator's tables: 1-D gradient noise, tiled 2-D lattice noise,
// 4-D simplex noise and the torus-mapped tiled noise built on it, tiled
// Voronoi feature points, fractal sums and the hash look-ups.
#pragma once

#include <xmmintrin.h>

#include <cstdint>

#include "terrain/point2.h"

struct FloatRamp;

extern uint8_t noise_perm[512];  // 0..255 a permutation, 256..511 a copy
extern float noise_rand[512];    // 256 feature-point offsets (x, y) in [0, 1)

// Rebuilds both tables from game_rnd_seed (1,536 draws).
void reseed_noise();

float noise1(float x);
float old_tiled_noise2(float x, float y, int tile);
float noise4(float x, float y, float z, float w);
// noise4 of four points at once, one per lane, with the same bits per lane.
__m128 noise4_x4(__m128 x, __m128 y, __m128 z, __m128 w);
float tiled_noise2(float x, float y, float period);

// One coordinate of tiled_noise2 mapped onto its circle: (r cos a, r sin a) with
// a = v 2pi / period, r = period / 2pi. tiled_noise2(x, y, p) is
// noise4(cx.c, cy.c, cx.s, cy.s) with cx, cy the mapped x and y, so grids can
// map each row and column once.
struct TorusCoord {
  float c;
  float s;
};
TorusCoord torus_coord(float v, float period);

// Squared distances ascending; any output may be null.
void tiled_voronoi_noise2_near4(float x, float y, int tile_shift, float dist[4], int id[4], Point2 offset[4]);
void tiled_voronoi_noise2_all9(float x, float y, int tile_shift, Point2 offset[9], int id[9]);

// Octave o of a tiled fractal sum samples at coordinates stepped o times by
// v -> 2v + 0.5 with the period doubled as often.
inline float next_octave_coord(float v) { return 2.0f * v + 0.5f; }

// v = shape(base(0)); then for o = 1..octaves-1: v += a shape(base(o)) with
// a = persistence^o (multiplied up step by step). shape is the ramp or identity.
template <typename Shape, typename Base>
float fractal_sum(int octaves, float persistence, Shape&& shape, Base&& base) {
  float v = shape(base(0));
  float a = persistence;
  for (int o = 1; o < octaves; ++o) {
    v += a * shape(base(o));
    a *= persistence;
  }
  return v;
}

float fractal_noise1(int octaves, const FloatRamp* ramp, float x, float persistence);
float tiled_fractal_noise2(int octaves, const FloatRamp* ramp, float x, float y, float period, float persistence);

int get_noise_hash1(int i);
int get_noise_hash2(int i, int j);
