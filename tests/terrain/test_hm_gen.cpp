#include "terrain/hm_gen.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include "terrain/terrain_hooks.h"
#include "terrain/game_random.h"
#include "terrain/house_templates.h"
#include "terrain/noise.h"
#include "terrain/ramp.h"
#include "tests/terrain/world_checksum.h"

using namespace HeightmapData;

namespace {

class Generators : public ::testing::Test {
 protected:
  void SetUp() override {
    reset();
    set_rnd_seed(20260);
    reseed_noise();
  }
  void TearDown() override { terrain_hooks.land_height = nullptr; }
  static float& h(int x, int z) { return hmap[cell_index(x, z)]; }
  static Surface& surf(int x, int z) { return surface[cell_index(x, z)]; }
};

using GeneratorChecks = Generators;

// Generator checks stop the program under the generators' source name.
#define EXPECT_GEN_ASSERT(statement, text) \
  EXPECT_EXIT(statement, ::testing::ExitedWithCode(100), "hmGen\\([0-9]+\\): failed ASSERT\\(" text "\\)")

TEST_F(GeneratorChecks, BadArgumentsStopWithTheirExpression) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_GEN_ASSERT(addSimplexNoise(0, 1, 3, 1, 0.5f), "\\(tile&\\(tile-1\\)\\)==0 && tile>0");
  EXPECT_GEN_ASSERT(addSimplexNoise(0, 1, 0, 1, 0.5f), "\\(tile&\\(tile-1\\)\\)==0 && tile>0");
  EXPECT_GEN_ASSERT(addSimplexNoise(-1, 1, 4, 1, 0.5f), "min_ht>=0");
  EXPECT_GEN_ASSERT(addSimplexNoise(2, 1, 4, 1, 0.5f), "min_ht<=max_ht");
  EXPECT_GEN_ASSERT(addFastNoise(-1, 1, nullptr, GT_NONE, 255, 0.5f), "min_ht>=0");
  EXPECT_GEN_ASSERT(addFastNoise(3, 1, nullptr, GT_NONE, 255, 0.5f), "min_ht<=max_ht");
  EXPECT_GEN_ASSERT(addVoronoiHills(6, 0, 1, 1), "\\(tile&\\(tile-1\\)\\)==0 && tile>0");
  EXPECT_GEN_ASSERT(genVoronoiFaults(-4, 0, 1, 0, 1, 1, 1), "\\(tile&\\(tile-1\\)\\)==0 && tile>0");
}

TEST_F(Generators, FastNoiseSubdividesTheTorusWithOneDrawPerChild) {
  static float grid[HMAP_CELLS];
  uint64_t start = game_rnd_seed;
  makeFastNoise(grid, 0.0f, 0.0f);
  for (float v : grid) ASSERT_EQ(v, -0.5f);  // weights sum to 16: flat stays flat
  uint64_t expect = start;
  for (int i = 0; i < 4 * (4 + 16 + 64 + 256 + 1024 + 4096 + 16384); ++i)
    expect = expect * 0x5851F42D4C957F2DULL + 0x14057B7EF767814FULL;
  EXPECT_EQ(game_rnd_seed, expect);

  makeFastNoise(grid, 1.0f, 0.5f);
  float lo = grid[0], hi = grid[0], jump = 0.0f;
  for (int z = 0; z < 256; ++z)
    for (int x = 0; x < 256; ++x) {
      float v = grid[cell_index(x, z)];
      lo = std::min(lo, v);
      hi = std::max(hi, v);
      jump = std::max(jump, std::fabs(v - grid[cell_index(x + 1, z)]));
      jump = std::max(jump, std::fabs(v - grid[cell_index(x, z + 1)]));
    }
  EXPECT_GT(lo, -0.6f);
  EXPECT_LT(hi, 1.6f);
  EXPECT_GT(hi - lo, 0.5f);
  EXPECT_LT(jump, 0.2f);  // smooth everywhere, across the map edges too
}

TEST_F(Generators, FastNoiseAddsItsScaledValuesPaintsAndSetsGround) {
  static ColorRamp ramp;
  for (int k = 0; k < RAMP_SAMPLES; ++k) ramp.samples[k] = _mm_setr_ps(1.0f, 0.0f, 0.0f, 1.0f);
  addFastNoise(2.0f, 2.0f, &ramp, GT_SAND, 0x40, 0.5f);
  for (int i = 0; i < HMAP_CELLS; ++i) {
    ASSERT_EQ(hmap[i], 2.0f);
    ASSERT_EQ(surface[i].ground, unsigned(GT_SAND));
    ASSERT_EQ(surface[i].color, 0x40FF0000u);
  }
  addFastNoise(0.0f, 1.0f, nullptr, GT_NONE, 255, 0.5f);
  EXPECT_EQ(surface[77].ground, unsigned(GT_SAND));
  EXPECT_EQ(surface[77].color, 0x40FF0000u);
  EXPECT_NE(hmap[77], hmap[78]);
}

TEST_F(Generators, RampAlphaSaysHowStronglyToPaint) {
  static ColorRamp ramp;
  for (int k = 0; k < RAMP_SAMPLES; ++k) ramp.samples[k] = _mm_setr_ps(0.0f, 0.0f, 2.0f, 0.5f);
  for (Surface& s : surface) s.color = 0xFF000000;
  addFastNoise(0.0f, 0.0f, &ramp, GT_NONE, 0, 0.5f);
  // Halfway from black 0xFF000000 to blue 0x000000FF (alpha byte from color_alpha).
  EXPECT_EQ(surface[1000].color, 0x80000080u);
}

TEST_F(Generators, SimplexNoiseAddsTheShapedFractalSum) {
  addSimplexNoise(2.0f, 2.0f, 8, 3, 0.5f);
  for (int i = 0; i < HMAP_CELLS; ++i) ASSERT_EQ(hmap[i], 2.0f);

  reset();
  addSimplexNoise(1.0f, 5.0f, 8, 3, 0.5f);
  for (int z = 0; z < 256; z += 51)
    for (int x = 0; x < 256; x += 23) {
      float v = tiled_fractal_noise2(3, nullptr, 8.0f * x / 256.0f, 8.0f * z / 256.0f, 8.0f, 0.5f);
      float o = std::max(0.286f * v + 0.5f, 0.0f);
      ASSERT_EQ(h(x, z), o * 4.0f + 1.0f) << x << "," << z;
    }
}

TEST_F(Generators, VoronoiHillsOnlyRiseNearFeaturePoints) {
  addVoronoiHills(16, 1.0f, 3.0f, 0.5f);
  int raised = 0, flat = 0;
  for (int z = 0; z < 256; ++z)
    for (int x = 0; x < 256; ++x) {
      Point2 off[9];
      tiled_voronoi_noise2_all9(16.0f * x / 256.0f, 16.0f * z / 256.0f, 4, off, nullptr);
      float nearest = 1e9f;
      for (const Point2& o : off) nearest = std::min(nearest, o.x * o.x + o.z * o.z);
      if (nearest >= 0.25f) {
        ASSERT_EQ(h(x, z), 0.0f) << x << "," << z;
        ++flat;
      } else {
        ASSERT_GT(h(x, z), 0.0f);
        ASSERT_LT(h(x, z), 3.0f);
        ++raised;
      }
    }
  EXPECT_GT(raised, 1000);
  EXPECT_GT(flat, 1000);
}

TEST_F(Generators, VoronoiFaultsAreFlatPlateausWithEqualHeights) {
  uint64_t start = game_rnd_seed;
  genVoronoiFaults(8, 3.0f, 3.0f, 0.5f, 2, 2, 1.0f);
  for (int i = 0; i < HMAP_CELLS; ++i) ASSERT_EQ(hmap[i], 3.0f);
  uint64_t expect = start;
  for (int i = 0; i < 256; ++i) expect = expect * 0x5851F42D4C957F2DULL + 0x14057B7EF767814FULL;
  EXPECT_EQ(game_rnd_seed, expect);

  reset();
  start = game_rnd_seed;
  genVoronoiFaults(8, 0.0f, 10.0f, 0.0f, 2, 1, 1000.0f);
  game_rnd_seed = start;  // the plateau heights the generator drew
  float plateau_height[256];
  for (float& p : plateau_height) p = 10.0f * frnd();
  // Very sharp borders: almost every cell sits on the plateau of its nearest point.
  int plateau = 0;
  for (int z = 0; z < 256; ++z)
    for (int x = 0; x < 256; ++x) {
      int id[4];
      tiled_voronoi_noise2_near4(x * 8.0f / 256.0f, z * 8.0f / 256.0f, 3, nullptr, id, nullptr);
      plateau += h(x, z) == plateau_height[noise_perm[noise_perm[(id[0] >> 16) & 255] + (id[0] & 255)]];
    }
  EXPECT_GT(plateau, 60000);
}

TEST_F(Generators, FaultWithoutDirectionStepsEveryCellAlike) {
  static float grid[HMAP_CELLS];
  genFault(Point2{40.0f, 90.0f}, Point2{0.0f, 0.0f}, 6.0f, 0.5f, 1.0f, nullptr, GT_NONE, 255, grid);
  EXPECT_NE(grid[0], 0.0f);
  for (float v : grid) ASSERT_EQ(v, grid[0]);
  for (int i = 0; i < HMAP_CELLS; ++i) ASSERT_EQ(hmap[i], 0.0f);  // only the given grid moves
}

TEST_F(Generators, FaultRaisesTheFarSideInsideItsEllipse) {
  genFault(Point2{128.0f, 128.0f}, Point2{3.0f, 0.0f}, 10.0f, 1.0f, 0.0f, nullptr, GT_SOIL, 255, hmap);
  float w30 = [] {
    float F = (30.0f / 64.0f) * (30.0f / 64.0f), in = 1.0f - F;
    return (3.0f - 2.0f * in) * in * in;
  }();
  EXPECT_NEAR(h(158, 128), 10.0f * w30, 1e-4f);
  EXPECT_NEAR(h(98, 128), 0.0f, 1e-4f);
  EXPECT_EQ(h(128 + 70, 128), 0.0f);        // beyond 64 across the line
  EXPECT_EQ(h(158, 128 + 127), 0.0f);       // beyond the ends of the line
  EXPECT_GT(h(135, 128 + 100), 0.0f);      // 256 long along the line
  EXPECT_EQ(surf(158, 128).ground, unsigned(GT_ROCK));  // off the slope band
  EXPECT_EQ(surf(128, 128).ground, unsigned(GT_SOIL));  // on the line itself
}

TEST_F(Generators, CraterCutsButNeverRaises) {
  addSimplexNoise(0.0f, 20.0f, 4, 2, 0.5f);
  static float before[HMAP_CELLS];
  std::memcpy(before, hmap, sizeof before);
  genCrater(Point2{250.0f, 3.0f}, 12.0f, 0.8f, hmap);
  int lowered = 0;
  for (int i = 0; i < HMAP_CELLS; ++i) {
    ASSERT_LE(hmap[i], before[i]);
    lowered += hmap[i] < before[i];
  }
  EXPECT_GT(lowered, 300);
  EXPECT_EQ(h(120, 120), before[cell_index(120, 120)]);

  reset();
  genCrater(Point2{100.0f, 100.0f}, 10.0f, 0.5f, hmap);
  EXPECT_FLOAT_EQ(h(100, 100), -5.0f);  // the bowl's bottom: avg - slope * r
  EXPECT_EQ(h(125, 100), 0.0f);
}

TEST_F(Generators, CraterWithoutInnerCellsMeasuresTheNearestCell) {
  h(10, 10) = 5.0f;
  genCrater(Point2{10.4f, 10.4f}, 0.3f, 1.0f, hmap);  // no lattice point within 0.3
  EXPECT_LT(h(10, 10), 5.0f);
  EXPECT_GT(h(10, 10), 4.9f);  // pulled only slightly towards a rim measured from 5
  hmap[cell_index(10, 10)] = 0.0f;
  for (int i = 0; i < HMAP_CELLS; ++i) ASSERT_EQ(hmap[i], 0.0f);
}

TEST_F(Generators, HouseWithMarksInItsFootprintIsNotPlaced) {
  mark_rect(40, 40, 40, 40, MARK_WATER, 0);
  static float grid[HMAP_CELLS];
  placeHouse(41, 41, 0, grid, false);
  for (int i = 0; i < HMAP_CELLS; ++i) {
    ASSERT_EQ(grid[i], 0.0f);
    ASSERT_EQ(surface[i].flags & ~(MARK_WATER << 24), unsigned(GT_ROCK));
  }
  placeHouse(41, 41, -2, grid, false);  // the fixed kinds place regardless
  EXPECT_EQ(grid[cell_index(41, 41)], 6.75f);
}

TEST_F(Generators, HouseTemplateShapesGroundAndTiles) {
  for (int i = 0; i < HMAP_CELLS; ++i) hmap[i] = 1.0f;
  placeHouse(2, 100, -2, hmap, false);  // 5 x 5 vertices from x = 0
  EXPECT_EQ(h(2, 100), 1.0f + 6.75f);
  EXPECT_EQ(h(1, 101), 1.0f + 8.0f * 6.75f / 9.0f);
  EXPECT_EQ(h(0, 98), 1.0f);
  EXPECT_EQ(surf(0, 98).house_tile, 1u);     // 'b', first letter of the last string row
  EXPECT_EQ(surf(0, 98).house_variant, 0u);  // '0'
  EXPECT_EQ(surf(1, 101).house_tile, 3u);    // 'd'
  EXPECT_EQ(surf(1, 101).house_variant, 6u);
  EXPECT_EQ(surf(1, 101).ground, unsigned(GT_HOUSE));
  EXPECT_EQ(surf(1, 101).color, 0xFF808080u);
  EXPECT_EQ(surf(4, 100).ground, unsigned(GT_ROCK));  // vertices only reach x = 4
  EXPECT_EQ(surf(4, 100).marks, MARK_HOUSE);
  EXPECT_EQ(surf(5, 100).marks, 0u);

  placeHouse(256 + 2, 100 - 256, -2, hmap, true);  // re-placing keeps the level
  EXPECT_FLOAT_EQ(h(2, 100), 1.0f + 6.75f);

  placeHouse(1, 30, 3, hmap, false);  // kind 3: template 2 from x = -1, over the seam
  EXPECT_EQ(h(0, 30), 1.0f + 6.0f);
  EXPECT_EQ(surf(255, 30).marks, MARK_HOUSE);
  EXPECT_EQ(surf(254, 30).marks, 0u);
  placeHouse(2, 200, -1, hmap, false);  // the large template: x from -7 to 11
  EXPECT_EQ(surf(249, 200).marks, MARK_HOUSE);
  EXPECT_EQ(surf(248, 200).marks, 0u);
  EXPECT_EQ(surf(11, 209).marks, MARK_HOUSE);
  EXPECT_EQ(surf(12, 209).marks, 0u);
}

TEST_F(Generators, HouseAtExtremeCoordinatesWraps) {
  placeHouse(INT_MIN, INT_MAX, -2, hmap, false);  // x0 = -2 -> 254, z0 = 2^31 - 3 -> 253
  EXPECT_EQ(h(0, 255), 6.75f);
  EXPECT_EQ(surf(254, 253).marks, MARK_HOUSE);
  EXPECT_EQ(surf(2, 1).marks, MARK_HOUSE);
  EXPECT_EQ(surf(3, 1).marks, 0u);
}

TEST(HouseTemplates, AreTheFiveFootprints) {
  const int dims[5][2] = {{18, 18}, {4, 4}, {4, 4}, {4, 10}, {10, 4}};
  for (int k = 0; k < HOUSE_TEMPLATE_COUNT; ++k) {
    const HouseTemplate& t = house_templates[k];
    EXPECT_EQ(t.len, dims[k][0]);
    EXPECT_EQ(t.count, dims[k][1]);
    EXPECT_EQ(std::strlen(t.heights), size_t((t.len + 1) * (t.count + 1)));
    EXPECT_EQ(std::strlen(t.tiles), size_t(t.len * t.count));
    EXPECT_EQ(std::strlen(t.variants), size_t(t.len * t.count));
    EXPECT_EQ(t.scale, 6.75f);
  }
}

TEST_F(Generators, CircleBrushFallsOffWithDistance) {
  circle_brush(50.0f, 50.0f, 0.0f, 1.0f, 1.0f, hmap);
  circle_brush(50.0f, 50.0f, -3.0f, 1.0f, 1.0f, hmap);
  for (int i = 0; i < HMAP_CELLS; ++i) ASSERT_EQ(hmap[i], 0.0f);
  circle_brush(50.0f, 50.0f, 10.0f, 1.0f, 1.0f, hmap);
  EXPECT_EQ(h(50, 50), 1.0f);
  EXPECT_FLOAT_EQ(h(59, 50), 0.19f);
  EXPECT_EQ(h(60, 50), 0.0f);
  EXPECT_EQ(h(58, 56), 0.0f);
}

TEST_F(Generators, FlattenPullsTowardsTheLevel) {
  for (int i = 0; i < HMAP_CELLS; ++i) hmap[i] = 4.0f;
  flatten_circle(10.0f, 10.0f, 0.0f, 0.0f, 1.0f, 1.0f, hmap);
  EXPECT_EQ(h(10, 10), 4.0f);
  flatten_circle(10.0f, 10.0f, 5.0f, 0.0f, 1.0f, 2.0f, hmap);
  EXPECT_EQ(h(10, 10), 0.0f);
  EXPECT_FLOAT_EQ(h(14, 10), 4.0f * (16.0f / 25.0f) * (16.0f / 25.0f));
  EXPECT_EQ(h(15, 10), 4.0f);
}

float module_land_height(float, float) { return 100.0f; }

TEST_F(Generators, AverageCircleHeightCountsTheCentreOnce) {
  h(20, 20) = 9.0f;
  EXPECT_FLOAT_EQ(get_average_circle_height(20.0f, 20.0f, 1.5f, hmap), (9.0f + 9.0f) / 10.0f);
  EXPECT_FLOAT_EQ(get_average_circle_height(20.5f, 20.0f, -4.0f, hmap), 4.5f);  // bilinear, no disc
  terrain_hooks.land_height = module_land_height;
  EXPECT_FLOAT_EQ(get_average_circle_height(20.0f, 20.0f, 1.5f, hmap), (100.0f + 9.0f) / 10.0f);
  static float grid[HMAP_CELLS];
  grid[cell_index(3, 3)] = 2.0f;
  EXPECT_FLOAT_EQ(get_average_circle_height(3.0f, 3.0f, 0.0f, grid), 2.0f);
}

// ---- golden checks: one world built step by step from a fixed seed ----

struct Step {
  const char* name;
  void (*run)();
};

ColorRamp& test_ramp() {
  static ColorRamp ramp;
  for (int k = 0; k < RAMP_SAMPLES; ++k) {
    float t = k / 256.0f;
    ramp.samples[k] = _mm_setr_ps(t, 1.0f - t, 0.3f, t);
  }
  return ramp;
}

const Step WORLD_STEPS[] = {
    {"reseed_noise", [] { reseed_noise(); }},
    {"addFastNoise", [] { addFastNoise(1.0f, 9.0f, &test_ramp(), GT_SOIL, 255, 0.55f); }},
    {"addSimplexNoise", [] { addSimplexNoise(0.0f, 12.0f, 8, 4, 0.5f); }},
    {"addVoronoiHills", [] { addVoronoiHills(16, 2.0f, 10.0f, 0.8f); }},
    {"genVoronoiFaults", [] { genVoronoiFaults(8, 0.0f, 15.0f, 0.3f, 2, 3, 1.5f); }},
    {"genFault", [] { genFault(Point2{70.5f, 200.25f}, Point2{1.0f, 2.0f}, 12.0f, 0.6f, 3.0f, &test_ramp(), GT_SAND, 200, hmap); }},
    {"genCrater", [] { genCrater(Point2{250.3f, 10.7f}, 14.0f, 0.9f, hmap); }},
    {"placeHouse", [] {
       placeHouse(128, 64, -1, hmap, false);
       for (int k = 0; k < 6; ++k) placeHouse(hmrnd(), hmrnd(), k, hmap, false);
     }},
    {"circle_brush", [] { circle_brush(3.5f, 252.5f, 20.0f, 4.0f, 1.5f, hmap); }},
    {"flatten_circle", [] { flatten_circle(30.0f, 30.0f, 16.0f, 5.0f, 0.7f, 2.0f, hmap); }},
    {"recenterHt", [] { recenterHt(); }},
};

std::vector<uint64_t> build_world() {
  reset();
  set_rnd_seed(777);
  std::vector<uint64_t> sums;
  for (const Step& s : WORLD_STEPS) {
    s.run();
    sums.push_back(world_checksum());
  }
  return sums;
}

TEST(GeneratorGolden, AFixedSeedBuildsTheSameWorldEveryTime) {
  const uint64_t expected[] = {
      0x6e17171d59edb43fULL,  // reseed_noise
      0x138f9b7b1fec2b28ULL,  // addFastNoise
      0xb9f64132ba11f995ULL,  // addSimplexNoise
      0xb9d9d453bf6c9e79ULL,  // addVoronoiHills
      0x05de62626d2509dfULL,  // genVoronoiFaults
      0x352d6b46ab051048ULL,  // genFault
      0x35639d2281ce86f3ULL,  // genCrater
      0xec9d4131668ad7c3ULL,  // placeHouse
      0x5e01e7783578563eULL,  // circle_brush
      0x4f7022337b451f6cULL,  // flatten_circle
      0xa2176cda038e317bULL,  // recenterHt
  };
  std::vector<uint64_t> first = build_world();
  ASSERT_EQ(first.size(), std::size(expected));
  for (size_t k = 0; k < first.size(); ++k)
    EXPECT_EQ(first[k], expected[k]) << "after " << WORLD_STEPS[k].name << ": 0x" << std::hex << first[k];
  EXPECT_EQ(build_world(), first);
}

}  // namespace
