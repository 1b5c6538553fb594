#include "terrain/noise.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <set>

#include "terrain/game_random.h"
#include "terrain/ramp.h"
#include "terrain/tiled_fractal_grid.h"

namespace {

class Noise : public ::testing::Test {
 protected:
  void SetUp() override {
    set_rnd_seed(1234);
    reseed_noise();
  }
};

TEST_F(Noise, ReseedBuildsAPermutationAndItsCopyFrom1536Draws) {
  std::set<int> seen(noise_perm, noise_perm + 256);
  EXPECT_EQ(seen.size(), 256u);
  EXPECT_EQ(std::memcmp(noise_perm, noise_perm + 256, 256), 0);
  for (float r : noise_rand) {
    EXPECT_GE(r, 0.0f);
    EXPECT_LT(r, 1.0f);
  }
  uint64_t after = game_rnd_seed;
  set_rnd_seed(1234);
  for (int i = 0; i < 1536; ++i) advance_rnd();
  EXPECT_EQ(game_rnd_seed, after);
}

TEST_F(Noise, SameSeedGivesSameTablesAndARepeatGivesNewOnes) {
  uint8_t perm[512];
  float rnd[512];
  std::memcpy(perm, noise_perm, sizeof perm);
  std::memcpy(rnd, noise_rand, sizeof rnd);
  set_rnd_seed(1234);
  reseed_noise();
  EXPECT_EQ(std::memcmp(perm, noise_perm, sizeof perm), 0);
  EXPECT_EQ(std::memcmp(rnd, noise_rand, sizeof rnd), 0);
  reseed_noise();
  EXPECT_NE(std::memcmp(perm, noise_perm, sizeof perm), 0);
  EXPECT_NE(std::memcmp(rnd, noise_rand, sizeof rnd), 0);
}

TEST_F(Noise, HashesReadThePermutation) {
  EXPECT_EQ(get_noise_hash1(300), noise_perm[300 & 255]);
  EXPECT_EQ(get_noise_hash1(-1), noise_perm[255]);
  EXPECT_EQ(get_noise_hash2(7, 9), noise_perm[7 + noise_perm[9]]);
  EXPECT_EQ(get_noise_hash2(263, -247), noise_perm[7 + noise_perm[9]]);
}

TEST_F(Noise, Noise1VanishesOnIntegersAndRepeatsEvery256) {
  float largest = 0.0f;
  for (int i = -300; i <= 300; ++i) EXPECT_EQ(noise1(float(i)), 0.0f) << i;
  for (float x = -20.0f; x < 20.0f; x += 0.173f) {
    EXPECT_NEAR(noise1(x + 256.0f), noise1(x), 2e-4f) << x;
    largest = std::max(largest, std::fabs(noise1(x)));
  }
  EXPECT_GT(largest, 0.1f);
}

TEST_F(Noise, Noise1MatchesItsGradientFormula) {
  float x = 17.3f;
  auto grad = [](int p) { return (p & 8) ? -float((p & 7) + 1) : float((p & 7) + 1); };
  float t = x - 17.0f, t1 = t - 1.0f;
  float expect = 0.4f * (grad(noise_perm[17]) * t * std::pow(1 - t * t, 4.0f) +
                         grad(noise_perm[18]) * t1 * std::pow(1 - t1 * t1, 4.0f));
  EXPECT_NEAR(noise1(x), expect, 1e-5f);
}

TEST_F(Noise, OldTiledNoiseRepeatsWithItsTile) {
  for (int tile : {1, 4, 32, 256})
    for (float x = 0.1f; x < 12.0f; x += 0.77f) {
      float y = x * 0.6f + 0.3f;
      EXPECT_NEAR(old_tiled_noise2(x + float(tile), y, tile), old_tiled_noise2(x, y, tile), 1e-4f);
      EXPECT_NEAR(old_tiled_noise2(x, y + float(tile), tile), old_tiled_noise2(x, y, tile), 1e-4f);
    }
  EXPECT_EQ(old_tiled_noise2(3.0f, 5.0f, 8), 0.0f);  // lattice points have no offset
}

// A wrong simplex traversal entry jumps between simplices: the field would
// not be continuous there.
TEST_F(Noise, Noise4IsContinuousAndBounded) {
  float peak = 0.0f;
  for (int line = 0; line < 40; ++line) {
    float ox = line * 1.37f, oy = line * 0.71f, oz = -line * 0.53f, ow = line * 0.29f;
    float dx = std::sin(line * 1.1f), dy = std::cos(line * 0.7f), dz = std::sin(line * 2.3f), dw = std::cos(line * 1.9f);
    float prev = noise4(ox, oy, oz, ow);
    for (int s = 1; s <= 4000; ++s) {
      float t = s * 0.001f;
      float v = noise4(ox + dx * t, oy + dy * t, oz + dz * t, ow + dw * t);
      ASSERT_LT(std::fabs(v - prev), 0.03f) << "line " << line << " step " << s;
      prev = v;
      peak = std::max(peak, std::fabs(v));
    }
  }
  EXPECT_GT(peak, 0.3f);
  EXPECT_LT(peak, 1.1f);
}

// The textbook form of the 4-D simplex noise, one corner after another; the
// engine's lane-parallel version must give the same bits.
float reference_noise4(float x, float y, float z, float w) {
  static const int8_t grad[32][4] = {
      {0, 1, 1, 1},   {0, 1, 1, -1},   {0, 1, -1, 1},  {0, 1, -1, -1}, {0, -1, 1, 1},  {0, -1, 1, -1}, {0, -1, -1, 1},
      {0, -1, -1, -1}, {1, 0, 1, 1},   {1, 0, 1, -1},  {1, 0, -1, 1},  {1, 0, -1, -1}, {-1, 0, 1, 1},  {-1, 0, 1, -1},
      {-1, 0, -1, 1}, {-1, 0, -1, -1}, {1, 1, 0, 1},   {1, 1, 0, -1},  {1, -1, 0, 1},  {1, -1, 0, -1}, {-1, 1, 0, 1},
      {-1, 1, 0, -1}, {-1, -1, 0, 1},  {-1, -1, 0, -1}, {1, 1, 1, 0},  {1, 1, -1, 0},  {1, -1, 1, 0},  {1, -1, -1, 0},
      {-1, 1, 1, 0},  {-1, 1, -1, 0},  {-1, -1, 1, 0},  {-1, -1, -1, 0}};
  // Rank of each axis for the ordering bits, built from the orderings themselves.
  static uint8_t simplex[64][4];
  static bool built = false;
  if (!built) {
    int axes[4] = {0, 1, 2, 3};
    do {
      float v[4];
      for (int a = 0; a < 4; ++a) v[axes[a]] = float(a);
      int c = (v[0] > v[1]) * 32 + (v[0] > v[2]) * 16 + (v[1] > v[2]) * 8 + (v[0] > v[3]) * 4 + (v[1] > v[3]) * 2 +
              (v[2] > v[3]);
      for (int a = 0; a < 4; ++a) simplex[c][a] = uint8_t(v[a]);
    } while (std::next_permutation(axes, axes + 4));
    built = true;
  }
  auto fl = [](float v) { return int(std::nearbyint(v - 0.49999988f)); };
  auto corner = [&](int gi, float cx, float cy, float cz, float cw) {
    float t = 0.6f - cx * cx - cy * cy - cz * cz - cw * cw;
    if (t < 0.0f) return 0.0f;
    t *= t;
    return t * t * (grad[gi][0] * cx + grad[gi][1] * cy + grad[gi][2] * cz + grad[gi][3] * cw);
  };
  const float F4 = 0.309017f, G4 = 0.1381966f;
  float s = (x + y + z + w) * F4;
  int i = fl(x + s), j = fl(y + s), k = fl(z + s), l = fl(w + s);
  float t = float(i + j + k + l) * G4;
  float x0 = x - (float(i) - t), y0 = y - (float(j) - t), z0 = z - (float(k) - t), w0 = w - (float(l) - t);
  int c = (x0 > y0) * 32 + (x0 > z0) * 16 + (y0 > z0) * 8 + (x0 > w0) * 4 + (y0 > w0) * 2 + (z0 > w0);
  const uint8_t* sc = simplex[c];
  const uint8_t* p = noise_perm;
  int ii = i & 255, jj = j & 255, kk = k & 255, ll = l & 255;
  float sum = corner(p[ii + p[jj + p[kk + p[ll]]]] & 31, x0, y0, z0, w0);
  const float step[4] = {0.0f, G4, 0.2763932f, 0.41458982f};
  for (int n = 1; n <= 3; ++n) {
    int a = sc[0] >= 4 - n, b = sc[1] >= 4 - n, cc = sc[2] >= 4 - n, d = sc[3] >= 4 - n;
    sum += corner(p[ii + a + p[jj + b + p[kk + cc + p[ll + d]]]] & 31, x0 - float(a) + step[n],
                  y0 - float(b) + step[n], z0 - float(cc) + step[n], w0 - float(d) + step[n]);
  }
  const float last = 0.5527864f - 1.0f;
  sum += corner(p[ii + 1 + p[jj + 1 + p[kk + 1 + p[ll + 1]]]] & 31, x0 + last, y0 + last, z0 + last, w0 + last);
  return 27.0f * sum;
}

TEST_F(Noise, Noise4GivesTheTextbookBitsEverywhere) {
  set_rnd_seed(99);
  for (int n = 0; n < 200000; ++n) {
    float x = rndf(-300.0f, 300.0f), y = rndf(-300.0f, 300.0f), z = rndf(-40.0f, 40.0f), w = rndf(-5.0f, 5.0f);
    float got = noise4(x, y, z, w), want = reference_noise4(x, y, z, w);
    ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0) << x << " " << y << " " << z << " " << w;
  }
  for (int n = 0; n < 50000; ++n) {
    alignas(16) float v[4][4], got[4];
    for (auto& axis : v)
      for (float& c : axis) c = rndf(-100.0f, 100.0f);
    _mm_store_ps(got, noise4_x4(_mm_load_ps(v[0]), _mm_load_ps(v[1]), _mm_load_ps(v[2]), _mm_load_ps(v[3])));
    for (int lane = 0; lane < 4; ++lane) {
      float want = reference_noise4(v[0][lane], v[1][lane], v[2][lane], v[3][lane]);
      ASSERT_EQ(std::memcmp(&got[lane], &want, sizeof want), 0) << "lane " << lane;
    }
  }
  EXPECT_EQ(noise4(0, 0, 0, 0), reference_noise4(0, 0, 0, 0));
  EXPECT_EQ(noise4(1, 2, 3, 4), reference_noise4(1, 2, 3, 4));
}

TEST_F(Noise, TiledNoiseRepeatsWithAnyPeriod) {
  for (float period : {8.0f, 13.5f, 64.0f})
    for (float x = -3.0f; x < 20.0f; x += 1.37f) {
      float y = 2.5f - x * 0.45f;
      float v = tiled_noise2(x, y, period);
      EXPECT_NEAR(tiled_noise2(x + period, y, period), v, 2e-3f) << period << " " << x;
      EXPECT_NEAR(tiled_noise2(x, y - period, period), v, 2e-3f) << period << " " << x;
    }
}

TEST_F(Noise, VoronoiAll9VisitsRowsThenColumns) {
  Point2 off[9];
  int id[9];
  tiled_voronoi_noise2_all9(5.25f, 2.75f, 3, off, id);
  for (int k = 0; k < 9; ++k) {
    int dx = k % 3 - 1, dy = k / 3 - 1;
    int cx = (5 + dx) & 7, cy = (2 + dy) & 7;
    EXPECT_EQ(id[k], (cy << 16) | cx);
    int h = noise_perm[cx + noise_perm[cy]];
    EXPECT_FLOAT_EQ(off[k].x, float(dx) + noise_rand[2 * h] - 0.25f);
    EXPECT_FLOAT_EQ(off[k].z, float(dy) + noise_rand[2 * h + 1] - 0.75f);
  }
  tiled_voronoi_noise2_all9(5.25f, 2.75f, 3, nullptr, nullptr);  // outputs are optional
}

TEST_F(Noise, VoronoiNear4KeepsTheFourNearestInOrderAndTiles) {
  for (float x = 0.05f; x < 8.0f; x += 0.61f) {
    float y = 7.9f - x * 0.8f;
    Point2 all_off[9];
    int all_id[9];
    tiled_voronoi_noise2_all9(x, y, 3, all_off, all_id);
    float d2[9];
    for (int k = 0; k < 9; ++k) d2[k] = all_off[k].x * all_off[k].x + all_off[k].z * all_off[k].z;
    float sorted[9];
    std::copy(d2, d2 + 9, sorted);
    std::sort(sorted, sorted + 9);

    float dist[4], dist_shifted[4];
    int id[4], id_shifted[4];
    Point2 off[4], off_shifted[4];
    tiled_voronoi_noise2_near4(x, y, 3, dist, id, off);
    tiled_voronoi_noise2_near4(x + 8.0f, y, 3, dist_shifted, id_shifted, off_shifted);
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(dist[k], sorted[k]);
      EXPECT_EQ(id[k] >> 16, (id[k] >> 16) & 7);
      EXPECT_EQ(id[k] & 0xFFFF, id[k] & 7);
      EXPECT_EQ(id_shifted[k], id[k]);
      EXPECT_NEAR(off_shifted[k].x, off[k].x, 1e-5f);
      EXPECT_NEAR(off_shifted[k].z, off[k].z, 1e-5f);
      EXPECT_EQ(dist[k], off[k].x * off[k].x + off[k].z * off[k].z);
    }
  }
  tiled_voronoi_noise2_near4(1.5f, 1.5f, 3, nullptr, nullptr, nullptr);

  // No point is nearer than FLT_MAX from nowhere: every slot keeps its start value.
  float dist[4];
  int id[4];
  Point2 off[4];
  tiled_voronoi_noise2_near4(std::nanf(""), 1.0f, 3, dist, id, off);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(dist[k], FLT_MAX);
    EXPECT_EQ(id[k], 0);
    EXPECT_EQ(off[k].x, 0.0f);
  }
}

TEST_F(Noise, VoronoiNear4RanksTiesInVisitingOrder) {
  // Every feature point at its cell's centre: from a lattice corner four
  // points are equally near; the first-visited row must come first.
  std::fill(noise_rand, noise_rand + 512, 0.5f);
  int id[4];
  float dist[4];
  tiled_voronoi_noise2_near4(3.0f, 3.0f, 4, dist, id, nullptr);
  EXPECT_EQ(dist[0], 0.5f);
  EXPECT_EQ(dist[3], 0.5f);
  EXPECT_EQ(id[0], (2 << 16) | 2);
  EXPECT_EQ(id[1], (2 << 16) | 3);
  EXPECT_EQ(id[2], (3 << 16) | 2);
  EXPECT_EQ(id[3], (3 << 16) | 3);
}

TEST_F(Noise, FractalSumsAddOctavesWithPersistence) {
  float x = 3.3f;
  float expect = noise1(x) + 0.5f * noise1(2 * x + 0.5f) + 0.25f * noise1(2 * (2 * x + 0.5f) + 0.5f);
  EXPECT_NEAR(fractal_noise1(3, nullptr, x, 0.5f), expect, 1e-6f);
  EXPECT_EQ(fractal_noise1(1, nullptr, x, 0.5f), noise1(x));

  float period = 4.0f, y = 1.7f;
  float expect2 = tiled_noise2(x, y, period) + 0.25f * tiled_noise2(2 * x + 0.5f, 2 * y + 0.5f, 2 * period);
  EXPECT_NEAR(tiled_fractal_noise2(2, nullptr, x, y, period, 0.25f), expect2, 1e-6f);
  // Every octave keeps the base period.
  for (float px = 0.2f; px < 4.0f; px += 0.9f)
    EXPECT_NEAR(tiled_fractal_noise2(4, nullptr, px + period, y, period, 0.5f),
                tiled_fractal_noise2(4, nullptr, px, y, period, 0.5f), 5e-3f);
}

TEST_F(Noise, FractalSumsShapeEveryOctaveWithTheRamp) {
  static FloatRamp identity, square;
  for (int k = 0; k < RAMP_SAMPLES; ++k) {
    float v = k / 128.0f - 1.0f;
    identity.samples[k] = v;
    square.samples[k] = v * v;
  }
  for (float x = 0.3f; x < 9.0f; x += 1.1f) {
    EXPECT_NEAR(fractal_noise1(3, &identity, x, 0.5f), fractal_noise1(3, nullptr, x, 0.5f), 1e-5f);
    float expect = 0.0f, a = 1.0f, xo = x;
    for (int o = 0; o < 3; ++o, a *= 0.5f, xo = 2 * xo + 0.5f) {
      float n = noise1(xo);
      expect += a * n * n;
    }
    EXPECT_NEAR(fractal_noise1(3, &square, x, 0.5f), expect, 2e-3f);
    EXPECT_NEAR(tiled_fractal_noise2(2, &identity, x, 1.0f, 8.0f, 0.5f),
                tiled_fractal_noise2(2, nullptr, x, 1.0f, 8.0f, 0.5f), 1e-5f);
  }
}

TEST_F(Noise, CachedFractalGridEqualsTheDirectSumExactly) {
  for (int octaves : {1, 4, 20}) {
    float m = 48.0f / 256.0f;
    TiledFractalGrid grid(octaves, 0.5f, 48.0f, [m](int k) { return float(k) * m; });
    for (int z = 0; z < 256; z += 37)
      for (int x = 0; x < 256; x += 11)
        ASSERT_EQ(grid.sample(x, z), tiled_fractal_noise2(octaves, nullptr, x * m, z * m, 48.0f, 0.5f))
            << octaves << " " << x << " " << z;
    for (int z = 3; z < 256; z += 41)
      for (int x = 0; x < 256; x += 28) {
        alignas(16) float four[4];
        _mm_store_ps(four, grid.sample4(x, z));
        for (int k = 0; k < 4; ++k) ASSERT_EQ(four[k], grid.sample(x + k, z)) << octaves << " " << x + k << " " << z;
      }
  }
}

TEST(Ramp, LooksUpLinearlyAndClampsAtTheEnds) {
  static FloatRamp r;
  for (int k = 0; k < RAMP_SAMPLES; ++k) r.samples[k] = float(k * k);
  EXPECT_EQ(r.lookup(-0.5f), 0.0f);
  EXPECT_EQ(r.lookup(0.0f), 0.0f);
  EXPECT_EQ(r.lookup(1.0f), 65536.0f);
  EXPECT_EQ(r.lookup(7.0f), 65536.0f);
  EXPECT_FLOAT_EQ(r.lookup(10.5f / 256.0f), (100.0f + 121.0f) / 2.0f);
  EXPECT_EQ(r.lookup(std::nanf("")), 0.0f);

  static ColorRamp c;
  for (int k = 0; k < RAMP_SAMPLES; ++k) c.samples[k] = _mm_setr_ps(k / 256.0f, 1.0f, 0.0f, 0.5f);
  alignas(16) float out[4];
  _mm_store_ps(out, c.lookup(0.25f));
  EXPECT_FLOAT_EQ(out[0], 0.25f);
  EXPECT_FLOAT_EQ(out[1], 1.0f);
  EXPECT_FLOAT_EQ(out[3], 0.5f);
}

}  // namespace
