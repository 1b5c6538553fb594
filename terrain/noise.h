// Noise on the generator's tables: 1-D gradient noise, tiled 2-D lattice noise,
// 4-D simplex noise and the torus-mapped tiled noise built on it, tiled
// Voronoi feature points, fractal sums and the hash look-ups.
#pragma once

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
float tiled_noise2(float x, float y, float period);

// Squared distances ascending; any output may be null.
void tiled_voronoi_noise2_near4(float x, float y, int tile_shift, float dist[4], int id[4], Point2 offset[4]);
void tiled_voronoi_noise2_all9(float x, float y, int tile_shift, Point2 offset[9], int id[9]);

float fractal_noise1(int octaves, const FloatRamp* ramp, float x, float persistence);
float tiled_fractal_noise2(int octaves, const FloatRamp* ramp, float x, float y, float period, float persistence);

int get_noise_hash1(int i);
int get_noise_hash2(int i, int j);
