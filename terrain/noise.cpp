#include "terrain/noise.h"

#include <smmintrin.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

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

// Gradients as floats, one row per lane load.
alignas(16) static const float GRAD4F[32][4] = {
#define G(i) {float(GRAD4[i][0]), float(GRAD4[i][1]), float(GRAD4[i][2]), float(GRAD4[i][3])}
    G(0),  G(1),  G(2),  G(3),  G(4),  G(5),  G(6),  G(7),  G(8),  G(9),  G(10), G(11), G(12), G(13), G(14), G(15),
    G(16), G(17), G(18), G(19), G(20), G(21), G(22), G(23), G(24), G(25), G(26), G(27), G(28), G(29), G(30), G(31)};
#undef G

// One simplex corner for four sample points in lanes: exactly the scalar
// t = 0.6 - x^2 - y^2 - z^2 - w^2; t < 0 ? 0 : t^4 (g . p), lane by lane.
static inline __m128 simplex_corner(__m128 X, __m128 Y, __m128 Z, __m128 W, const int gi[4]) {
  __m128 gx = _mm_load_ps(GRAD4F[gi[0]]), gy = _mm_load_ps(GRAD4F[gi[1]]);
  __m128 gz = _mm_load_ps(GRAD4F[gi[2]]), gw = _mm_load_ps(GRAD4F[gi[3]]);
  _MM_TRANSPOSE4_PS(gx, gy, gz, gw);
  __m128 t = _mm_sub_ps(_mm_sub_ps(_mm_sub_ps(_mm_sub_ps(_mm_set1_ps(0.6f), _mm_mul_ps(X, X)), _mm_mul_ps(Y, Y)),
                                   _mm_mul_ps(Z, Z)),
                        _mm_mul_ps(W, W));
  __m128 dot = _mm_add_ps(
      _mm_add_ps(_mm_add_ps(_mm_mul_ps(gx, X), _mm_mul_ps(gy, Y)), _mm_mul_ps(gz, Z)), _mm_mul_ps(gw, W));
  __m128 t2 = _mm_mul_ps(t, t);
  __m128 n = _mm_mul_ps(_mm_mul_ps(t2, t2), dot);
  return _mm_and_ps(n, _mm_cmpnlt_ps(t, _mm_setzero_ps()));  // NaN passes, as in the scalar test
}

static inline __m128i floor4(__m128 v) { return _mm_cvtps_epi32(_mm_sub_ps(v, _mm_set1_ps(0.49999988f))); }

// LANES sample points (1 or 4) in the lanes of x, y, z, w; the hashing runs
// only for the lanes in use, the arithmetic always on all four.
template <int LANES>
static __m128 simplex4_lanes(__m128 x, __m128 y, __m128 z, __m128 w) {
  const __m128 F4 = _mm_set1_ps(0.309017f);
  const __m128 G4 = _mm_set1_ps(0.1381966f);
  __m128 s = _mm_mul_ps(_mm_add_ps(_mm_add_ps(_mm_add_ps(x, y), z), w), F4);
  __m128i i = floor4(_mm_add_ps(x, s)), j = floor4(_mm_add_ps(y, s));
  __m128i k = floor4(_mm_add_ps(z, s)), l = floor4(_mm_add_ps(w, s));
  __m128 t = _mm_mul_ps(_mm_cvtepi32_ps(_mm_add_epi32(_mm_add_epi32(_mm_add_epi32(i, j), k), l)), G4);
  __m128 x0 = _mm_sub_ps(x, _mm_sub_ps(_mm_cvtepi32_ps(i), t));
  __m128 y0 = _mm_sub_ps(y, _mm_sub_ps(_mm_cvtepi32_ps(j), t));
  __m128 z0 = _mm_sub_ps(z, _mm_sub_ps(_mm_cvtepi32_ps(k), t));
  __m128 w0 = _mm_sub_ps(w, _mm_sub_ps(_mm_cvtepi32_ps(l), t));

  int order_bits[6] = {_mm_movemask_ps(_mm_cmpgt_ps(x0, y0)), _mm_movemask_ps(_mm_cmpgt_ps(x0, z0)),
                       _mm_movemask_ps(_mm_cmpgt_ps(y0, z0)), _mm_movemask_ps(_mm_cmpgt_ps(x0, w0)),
                       _mm_movemask_ps(_mm_cmpgt_ps(y0, w0)), _mm_movemask_ps(_mm_cmpgt_ps(z0, w0))};
  alignas(16) int li[4], lj[4], lk[4], ll[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(li), _mm_and_si128(i, _mm_set1_epi32(255)));
  _mm_store_si128(reinterpret_cast<__m128i*>(lj), _mm_and_si128(j, _mm_set1_epi32(255)));
  _mm_store_si128(reinterpret_cast<__m128i*>(lk), _mm_and_si128(k, _mm_set1_epi32(255)));
  _mm_store_si128(reinterpret_cast<__m128i*>(ll), _mm_and_si128(l, _mm_set1_epi32(255)));

  // Per lane: the axes' ranks for its ordering, and the gradient of each of
  // the five corners. Corner n (1..3) steps along the axes ranked >= 4 - n.
  // Unused lanes compute a harmless corner with gradient 0.
  alignas(16) float rank[4][4] = {};
  int gi[5][4] = {};
  const uint8_t* p = noise_perm;
  for (int lane = 0; lane < LANES; ++lane) {
    int c = 0;
    for (int b = 0; b < 6; ++b) c |= ((order_bits[b] >> lane) & 1) << (5 - b);
    const uint8_t* sc = SIMPLEX4[c];
    for (int axis = 0; axis < 4; ++axis) rank[axis][lane] = float(sc[axis]);
    int a = li[lane], b = lj[lane], cc = lk[lane], d = ll[lane];
    for (int n = 0; n < 4; ++n) {
      int r = 4 - n;
      gi[n][lane] = p[a + (sc[0] >= r) + p[b + (sc[1] >= r) + p[cc + (sc[2] >= r) + p[d + (sc[3] >= r)]]]] & 31;
    }
    gi[4][lane] = p[a + 1 + p[b + 1 + p[cc + 1 + p[d + 1]]]] & 31;
  }
  __m128 rx = _mm_load_ps(rank[0]), ry = _mm_load_ps(rank[1]), rz = _mm_load_ps(rank[2]), rw = _mm_load_ps(rank[3]);

  __m128 sum = simplex_corner(x0, y0, z0, w0, gi[0]);
  const float steps[3] = {0.1381966f, 0.2763932f, 0.41458982f};
  const __m128 one = _mm_set1_ps(1.0f);
  for (int n = 1; n <= 3; ++n) {
    __m128 threshold = _mm_set1_ps(float(4 - n)), step = _mm_set1_ps(steps[n - 1]);
    auto corner = [&](__m128 v, __m128 r) {
      return _mm_add_ps(_mm_sub_ps(v, _mm_and_ps(_mm_cmpge_ps(r, threshold), one)), step);
    };
    sum = _mm_add_ps(sum, simplex_corner(corner(x0, rx), corner(y0, ry), corner(z0, rz), corner(w0, rw), gi[n]));
  }
  const __m128 last = _mm_set1_ps(0.5527864f - 1.0f);
  sum = _mm_add_ps(sum, simplex_corner(_mm_add_ps(x0, last), _mm_add_ps(y0, last), _mm_add_ps(z0, last),
                                       _mm_add_ps(w0, last), gi[4]));
  return _mm_mul_ps(_mm_set1_ps(27.0f), sum);
}

__m128 noise4_x4(__m128 x, __m128 y, __m128 z, __m128 w) { return simplex4_lanes<4>(x, y, z, w); }

float noise4(float x, float y, float z, float w) {
  return _mm_cvtss_f32(simplex4_lanes<1>(_mm_set1_ps(x), _mm_set1_ps(y), _mm_set1_ps(z), _mm_set1_ps(w)));
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
    int cy = int(unsigned(iy) + unsigned(dy));  // wraps like the masks, even from undefined input
    int row_hash = noise_perm[cy & m8];
    for (int dx = -1; dx <= 1; ++dx) {
      int cx = int(unsigned(ix) + unsigned(dx));
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
  Point2 all_offset[9];
  int all_id[9];
  tiled_voronoi_noise2_all9(x, y, tile_shift, all_offset, all_id);
  // Squared distances are never negative, so their bit patterns order like
  // the values; the visiting index below them ranks ties by visiting order.
  uint64_t key[9];
  for (int k = 0; k < 9; ++k) {
    float d = all_offset[k].x * all_offset[k].x + all_offset[k].z * all_offset[k].z;
    uint32_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    key[k] = (uint64_t(bits) << 4) | uint64_t(k);
  }
  for (int slot = 0; slot < 4; ++slot) {
    uint64_t best = key[0];
    for (int k = 1; k < 9; ++k) best = std::min(best, key[k]);
    int k = int(best & 15);
    key[k] = UINT64_MAX;
    uint32_t bits = uint32_t(best >> 4);
    float d;
    std::memcpy(&d, &bits, sizeof d);
    // Only points nearer than FLT_MAX take a slot; the rest keep the start values.
    bool found = d < FLT_MAX;
    if (dist) dist[slot] = found ? d : FLT_MAX;
    if (id) id[slot] = found ? all_id[k] : 0;
    if (offset) offset[slot] = found ? all_offset[k] : Point2{0.0f, 0.0f};
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
