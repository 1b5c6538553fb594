#include "terrain/noise.h"

#include <cfloat>
#include <cmath>

#include "terrain/game_random.h"
#include "terrain/grid_math.h"
#include "terrain/ramp.h"

alignas(16) uint8_t noise_perm[512];
alignas(16) float noise_rand[512];

void reseed_noise() {
  for (int i = 0; i < 256; ++i) noise_perm[i] = uint8_t(i);
  for (int pass = 0; pass < 4; ++pass)
    for (int i = 0; i < 256; ++i) {
      int j = hmrnd();
      uint8_t t = noise_perm[i];
      noise_perm[i] = noise_perm[j];
      noise_perm[j] = t;
    }
  for (int i = 0; i < 256; ++i) noise_perm[256 + i] = noise_perm[i];
  for (float& r : noise_rand) r = frnd();
}

int get_noise_hash1(int i) { return noise_perm[i & 255]; }
int get_noise_hash2(int i, int j) { return noise_perm[(i & 255) + noise_perm[j & 255]]; }

// ---- 1-D gradient noise ----

static inline float gradient1(int p) {
  int g = (p & 7) + 1;
  return (p & 8) ? float(-g) : float(g);
}

static inline float pow4(float v) {
  float v2 = v * v;
  return v2 * v2;
}

float noise1(float x) {
  int i = floor_coord(x);
  float t = x - float(i);
  float g0 = gradient1(noise_perm[i & 255]);
  float g1 = gradient1(noise_perm[(i + 1) & 255]);
  float t1 = t - 1.0f;
  return 0.4f * (g0 * t * pow4(1.0f - t * t) + g1 * t1 * pow4(1.0f - t1 * t1));
}

// ---- 2-D lattice noise with a power-of-two tile ----

static const float GRAD2[8][2] = {{0, 1}, {0, -1}, {-1, -1}, {1, -1}, {1, 0}, {-1, 0}, {-1, 1}, {1, 1}};

float old_tiled_noise2(float x, float y, int tile) {
  int m = (tile - 1) & 255;
  int ix = floor_coord(x), iy = floor_coord(y);
  float fx = x - float(ix), fy = y - float(iy);
  float sum = 0.0f;
  for (int c = 0; c < 4; ++c) {
    int cx = ix + (c & 1), cy = iy + (c >> 1);
    float dx = fx - float(c & 1), dy = fy - float(c >> 1);
    float k = 1.0f - dx * dx - dy * dy;
    if (k <= 0.0f) continue;
    const float* g = GRAD2[noise_perm[(cx & m) + noise_perm[cy & m]] & 7];
    sum += (g[0] * dx + g[1] * dy) * pow4(k);
  }
  return 2.75f * sum;
}

// ---- 4-D simplex noise (Gustavson's reference tables) ----

static const int8_t GRAD4[32][4] = {
    {0, 1, 1, 1},   {0, 1, 1, -1},  {0, 1, -1, 1},  {0, 1, -1, -1},  {0, -1, 1, 1},  {0, -1, 1, -1},  {0, -1, -1, 1},
    {0, -1, -1, -1}, {1, 0, 1, 1},  {1, 0, 1, -1},  {1, 0, -1, 1},   {1, 0, -1, -1}, {-1, 0, 1, 1},   {-1, 0, 1, -1},
    {-1, 0, -1, 1}, {-1, 0, -1, -1}, {1, 1, 0, 1},  {1, 1, 0, -1},   {1, -1, 0, 1},  {1, -1, 0, -1},  {-1, 1, 0, 1},
    {-1, 1, 0, -1}, {-1, -1, 0, 1}, {-1, -1, 0, -1}, {1, 1, 1, 0},   {1, 1, -1, 0},  {1, -1, 1, 0},   {1, -1, -1, 0},
    {-1, 1, 1, 0},  {-1, 1, -1, 0}, {-1, -1, 1, 0}, {-1, -1, -1, 0}};

// Entry c holds, per axis, the rank of that coordinate (3 = largest) for the
// ordering encoded in c; impossible orderings are zero.
static const uint8_t SIMPLEX4[64][4] = {
    {0, 1, 2, 3}, {0, 1, 3, 2}, {0, 0, 0, 0}, {0, 2, 3, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {1, 2, 3, 0},
    {0, 2, 1, 3}, {0, 0, 0, 0}, {0, 3, 1, 2}, {0, 3, 2, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {1, 3, 2, 0},
    {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0},
    {1, 2, 0, 3}, {0, 0, 0, 0}, {1, 3, 0, 2}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {2, 3, 0, 1}, {2, 3, 1, 0},
    {1, 0, 2, 3}, {1, 0, 3, 2}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {2, 0, 3, 1}, {0, 0, 0, 0}, {2, 1, 3, 0},
    {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0},
    {2, 0, 1, 3}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {3, 0, 1, 2}, {3, 0, 2, 1}, {0, 0, 0, 0}, {3, 1, 2, 0},
    {2, 1, 0, 3}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {3, 1, 0, 2}, {0, 0, 0, 0}, {3, 2, 0, 1}, {3, 2, 1, 0}};

static inline float corner4(int gi, float x, float y, float z, float w) {
  float t = 0.6f - x * x - y * y - z * z - w * w;
  if (t < 0.0f) return 0.0f;
  const int8_t* g = GRAD4[gi];
  t *= t;
  return t * t * (float(g[0]) * x + float(g[1]) * y + float(g[2]) * z + float(g[3]) * w);
}

float noise4(float x, float y, float z, float w) {
  const float F4 = 0.309017f;
  const float G4 = 0.1381966f;
  float s = (x + y + z + w) * F4;
  int i = floor_coord(x + s), j = floor_coord(y + s), k = floor_coord(z + s), l = floor_coord(w + s);
  float t = float(i + j + k + l) * G4;
  float x0 = x - (float(i) - t), y0 = y - (float(j) - t), z0 = z - (float(k) - t), w0 = w - (float(l) - t);

  int c = (x0 > y0) * 32 + (x0 > z0) * 16 + (y0 > z0) * 8 + (x0 > w0) * 4 + (y0 > w0) * 2 + (z0 > w0);
  const uint8_t* sc = SIMPLEX4[c];
  int i1 = sc[0] >= 3, j1 = sc[1] >= 3, k1 = sc[2] >= 3, l1 = sc[3] >= 3;
  int i2 = sc[0] >= 2, j2 = sc[1] >= 2, k2 = sc[2] >= 2, l2 = sc[3] >= 2;
  int i3 = sc[0] >= 1, j3 = sc[1] >= 1, k3 = sc[2] >= 1, l3 = sc[3] >= 1;

  float x1 = x0 - float(i1) + G4, y1 = y0 - float(j1) + G4, z1 = z0 - float(k1) + G4, w1 = w0 - float(l1) + G4;
  float x2 = x0 - float(i2) + 0.2763932f, y2 = y0 - float(j2) + 0.2763932f;
  float z2 = z0 - float(k2) + 0.2763932f, w2 = w0 - float(l2) + 0.2763932f;
  float x3 = x0 - float(i3) + 0.41458982f, y3 = y0 - float(j3) + 0.41458982f;
  float z3 = z0 - float(k3) + 0.41458982f, w3 = w0 - float(l3) + 0.41458982f;
  const float G4x4m1 = 0.5527864f - 1.0f;
  float x4 = x0 + G4x4m1, y4 = y0 + G4x4m1, z4 = z0 + G4x4m1, w4 = w0 + G4x4m1;

  int ii = i & 255, jj = j & 255, kk = k & 255, ll = l & 255;
  const uint8_t* p = noise_perm;
  int gi0 = p[ii + p[jj + p[kk + p[ll]]]] & 31;
  int gi1 = p[ii + i1 + p[jj + j1 + p[kk + k1 + p[ll + l1]]]] & 31;
  int gi2 = p[ii + i2 + p[jj + j2 + p[kk + k2 + p[ll + l2]]]] & 31;
  int gi3 = p[ii + i3 + p[jj + j3 + p[kk + k3 + p[ll + l3]]]] & 31;
  int gi4 = p[ii + 1 + p[jj + 1 + p[kk + 1 + p[ll + 1]]]] & 31;

  return 27.0f * (corner4(gi0, x0, y0, z0, w0) + corner4(gi1, x1, y1, z1, w1) + corner4(gi2, x2, y2, z2, w2) +
                  corner4(gi3, x3, y3, z3, w3) + corner4(gi4, x4, y4, z4, w4));
}

// ---- seamless 2-D noise: the plane wrapped onto a torus in 4-D ----

TorusCoord torus_coord(float v, float period) {
  const float TWO_PI = 6.28318530718f;
  float a = v * TWO_PI / period;
  float r = period / TWO_PI;
  return TorusCoord{r * std::cos(a), r * std::sin(a)};
}

float tiled_noise2(float x, float y, float period) {
  TorusCoord cx = torus_coord(x, period), cy = torus_coord(y, period);
  return noise4(cx.c, cy.c, cx.s, cy.s);
}

// ---- tiled Voronoi feature points ----

// Visits the 3 x 3 neighbourhood, row dy = -1 first, dx ascending.
template <typename Fn>
static inline void visit_voronoi9(float x, float y, int tile_shift, Fn&& fn) {
  int mask = (1 << tile_shift) - 1;
  int m8 = mask & 255;
  int ix = floor_coord(x), iy = floor_coord(y);
  float fx = x - float(ix), fy = y - float(iy);
  for (int dy = -1; dy <= 1; ++dy) {
    int cy = iy + dy;
    int row_hash = noise_perm[cy & m8];
    for (int dx = -1; dx <= 1; ++dx) {
      int cx = ix + dx;
      int h = noise_perm[(cx & m8) + row_hash];
      Point2 o{float(dx) + noise_rand[2 * h] - fx, float(dy) + noise_rand[2 * h + 1] - fy};
      fn(o, ((cy & mask) << 16) | (cx & mask));
    }
  }
}

void tiled_voronoi_noise2_all9(float x, float y, int tile_shift, Point2 offset[9], int id[9]) {
  int n = 0;
  visit_voronoi9(x, y, tile_shift, [&](Point2 o, int cell_id) {
    if (offset) offset[n] = o;
    if (id) id[n] = cell_id;
    ++n;
  });
}

void tiled_voronoi_noise2_near4(float x, float y, int tile_shift, float dist[4], int id[4], Point2 offset[4]) {
  float best_d[4] = {FLT_MAX, FLT_MAX, FLT_MAX, FLT_MAX};
  int best_id[4] = {0, 0, 0, 0};
  Point2 best_o[4] = {};
  visit_voronoi9(x, y, tile_shift, [&](Point2 o, int cell_id) {
    float d = o.x * o.x + o.z * o.z;
    // Strictly smaller only: on ties the earlier-visited point ranks first.
    int slot = 0;
    while (slot < 4 && !(d < best_d[slot])) ++slot;
    if (slot == 4) return;
    for (int k = 3; k > slot; --k) {
      best_d[k] = best_d[k - 1];
      best_id[k] = best_id[k - 1];
      best_o[k] = best_o[k - 1];
    }
    best_d[slot] = d;
    best_id[slot] = cell_id;
    best_o[slot] = o;
  });
  for (int k = 0; k < 4; ++k) {
    if (dist) dist[k] = best_d[k];
    if (id) id[k] = best_id[k];
    if (offset) offset[k] = best_o[k];
  }
}

// ---- fractal sums ----

static inline float shaped(const FloatRamp* ramp, float v) { return ramp ? ramp->lookup((v + 1.0f) * 0.5f) : v; }

float fractal_noise1(int octaves, const FloatRamp* ramp, float x, float persistence) {
  return fractal_sum(
      octaves, persistence, [ramp](float v) { return shaped(ramp, v); },
      [&x](int o) {
        if (o > 0) x = next_octave_coord(x);
        return noise1(x);
      });
}

float tiled_fractal_noise2(int octaves, const FloatRamp* ramp, float x, float y, float period, float persistence) {
  return fractal_sum(
      octaves, persistence, [ramp](float v) { return shaped(ramp, v); },
      [&](int o) {
        if (o > 0) {
          x = next_octave_coord(x);
          y = next_octave_coord(y);
          period *= 2.0f;
        }
        return tiled_noise2(x, y, period);
      });
}
