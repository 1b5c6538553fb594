// Height masks and the mask and colour operations on the terrain.
#include <algorithm>
#include <cstring>
#include "terrain/surface_color.h"
#include "tests/script/world_gen_test_util.h"

using namespace HeightmapData;

TEST_F(WorldGenTest, MaskFromNumberOrFunction) {
  run("m <- HmapMask(0.5); col <- HmapMask(function(x, z) { return x; }); row <- HmapMask(function(x, z) { return z; });");
  EXPECT_EQ(num("m.getraw(0, 0)"), 0.5f);
  EXPECT_EQ(num("m.getraw(255, 255)"), 0.5f);
  EXPECT_EQ(num("m.calcMinMax()[0] + 10 * m.calcMinMax()[1]"), 5.5f);
  EXPECT_EQ(num("col.getraw(17, 200)"), 17.0f);
  EXPECT_EQ(num("col.getraw(255, 3)"), 255.0f);
  EXPECT_EQ(num("row.getraw(17, 200)"), 200.0f);
  // Coordinates wrap.
  EXPECT_EQ(num("col.getraw(256 + 5, -1)"), 5.0f);
  EXPECT_EQ(num("row.getraw(0, -1)"), 255.0f);
  EXPECT_EQ(num("col.calcMinMax()[1]"), 255.0f);
  EXPECT_EQ(error_of("local m = HmapMask(function(x, z) { return \"a\"; });"), "sq_get*() failed (type error)");
  EXPECT_EQ(error_of("local m = HmapMask(function(x, z) { if (z == 9) throw \"row 9\"; return 0; });"), "row 9");
  // One cell written, coordinates wrapping; no number is no height.
  run("m.set(256 + 3, -1, 7);");
  EXPECT_EQ(num("m.getraw(3, 255) + m.getraw(4, 255)"), 7.5f);
  EXPECT_EQ(error_of("m.set(1, 2, 1e30 * 1e30);"), "non-finite height at 1, 2");
}

TEST_F(WorldGenTest, MaskBilinearSampleWrapsAtTheEdge) {
  run("col <- HmapMask(function(x, z) { return x; }); row <- HmapMask(function(x, z) { return z * 2; });");
  EXPECT_FLOAT_EQ(num("col.get(10.25, 3.5)"), 10.25f);
  EXPECT_FLOAT_EQ(num("row.get(7, 4.75)"), 9.5f);
  // Between column 255 and column 0.
  EXPECT_FLOAT_EQ(num("col.get(255.5, 0)"), 127.5f);
  EXPECT_FLOAT_EQ(num("col.get(-0.5, 0)"), 127.5f);
  EXPECT_FLOAT_EQ(num("col.get(-256 * 1000 + 3, 0)"), 3.0f);
  // Coordinates beyond any cell index give some cell's value, no crash.
  EXPECT_EQ(error_of("local v = col.get(1e30, -1e30) + col.get(1e30 * 1e30 - 1e30 * 1e30, 0);"), "");
}

TEST_F(WorldGenTest, MasksFromTerrain) {
  for (int i = 0; i < HMAP_CELLS; i++) hmap[i] = float(i & 255);  // a ramp along x
  water_at(cell_index(3, 4)).amount = 2.0f;
  water_at(cell_index(5, 6)).amount = -1.5f;
  EXPECT_EQ(num("HmapMask.fromHeight().getraw(77, 9)"), 77.0f);
  EXPECT_EQ(num("HmapMask.fromWater().getraw(3, 4)"), 2.0f);
  EXPECT_EQ(num("HmapMask.fromWater().getraw(5, 6)"), -1.5f);
  EXPECT_EQ(num("HmapMask.fromWater().getraw(6, 6)"), 0.0f);
  // Sobel across x: (1 + 2 + 1) * 2 = 8, so 8 / sqrt(8^2 + 8^2).
  EXPECT_FLOAT_EQ(num("HmapMask.fromSlope().getraw(100, 50)"), 0.70710677f);
  memset(hmap, 0, sizeof(hmap));
  EXPECT_EQ(num("HmapMask.fromSlope().calcMinMax()[0]"), 1.0f);
}

TEST_F(WorldGenTest, SimplexMaskMatchesTheNoiseFunction) {
  run("m <- HmapMask.fromSimplexNoise(3, 4, 3, null, 0.5);"
      "r <- FloatRamp(function(t) { return t * t; }); mr <- HmapMask.fromSimplexNoise(2, 4, 2, r, 0.7);");
  for (int x : {0, 37, 255}) {
    for (int z : {0, 100, 254}) {
      std::string at = std::to_string(x) + ", " + std::to_string(z);
      std::string pos = std::to_string(x) + " * 4 / 256.0, " + std::to_string(z) + " * 4 / 256.0";
      EXPECT_NEAR(num("m.getraw(" + at + ")"), num("3 * tiled_fractal_noise2(" + pos + ", 4, 3, null, 0.5)"), 1e-5f);
      EXPECT_NEAR(num("mr.getraw(" + at + ")"), num("2 * tiled_fractal_noise2(" + pos + ", 4, 2, r, 0.7)"), 1e-5f);
    }
  }
}

TEST_F(WorldGenTest, VoronoiMasksHoldWhatTheGeneratorsAdd) {
  hmap[cell_index(1, 2)] = 42.0f;
  game_rnd_seed = 777;
  run("hills <- HmapMask.fromVoronoiHills(8, 1, 5, 0.8); faults <- HmapMask.fromVoronoiFaults(4, 0, 3, 0.2, 2, 2, 1.5);");
  EXPECT_EQ(hmap[cell_index(1, 2)], 42.0f) << "the heights are left as they were";
  hmap[cell_index(1, 2)] = 0.0f;
  game_rnd_seed = 777;
  run("add_voronoi_hills(8, 1, 5, 0.8);");
  for (int i : {0, 1000, 33333, 65535}) EXPECT_EQ(num("hills.getraw(" + std::to_string(i & 255) + ", " + std::to_string(i >> 8) + ")"), hmap[i]);
  memset(hmap, 0, sizeof(hmap));
  run("gen_voronoi_faults(4, 0, 3, 0.2, 2, 2, 1.5);");
  for (int i : {0, 1000, 33333, 65535}) EXPECT_EQ(num("faults.getraw(" + std::to_string(i & 255) + ", " + std::to_string(i >> 8) + ")"), hmap[i]);

  EXPECT_EQ(error_of("local m = HmapMask.fromVoronoiHills(3, 0, 1, 1);"), "tile must be power of 2 in fromVoronoiHills()");
  EXPECT_EQ(error_of("local m = HmapMask.fromVoronoiHills(0, 0, 1, 1);"), "tile must be power of 2 in fromVoronoiHills()");
  EXPECT_EQ(error_of("local m = HmapMask.fromVoronoiFaults(6, 0, 1, 0, 1, 1, 1);"), "tile must be power of 2 in fromVoronoiFaults()");
  EXPECT_EQ(error_of("local m = HmapMask.fromVoronoiHills(1, 0, 1, 1);"), "");
}

TEST_F(WorldGenTest, GeneratorArgumentsTheGeneratorsCannotTakeAreScriptErrors) {
  EXPECT_EQ(error_of("add_voronoi_hills(5, 0, 1, 1);"), "tile must be power of 2 in add_voronoi_hills()");
  EXPECT_EQ(error_of("gen_voronoi_faults(-4, 0, 1, 0, 1, 1, 1);"), "tile must be power of 2 in gen_voronoi_faults()");
  EXPECT_EQ(error_of("add_simplex_noise(0, 1, 12, 2, 0.5);"), "tile must be power of 2 in add_simplex_noise()");
  EXPECT_EQ(error_of("add_simplex_noise(-1, 1, 4, 2, 0.5);"), "bad height range in add_simplex_noise()");
  EXPECT_EQ(error_of("add_fast_noise(2, 1, null, GT_NONE, 255, 0.5);"), "bad height range in add_fast_noise()");
  EXPECT_EQ(error_of("add_fast_noise(0, 1, 5, GT_NONE, 255, 0.5);"), "getInst: invalid argument type");
  // counts that would make one call run for minutes
  EXPECT_EQ(error_of("add_simplex_noise(0, 26, 4, 1000000, 0.5);"), "octaves must be 0 to 24 in add_simplex_noise()");
  EXPECT_EQ(error_of("gen_voronoi_faults(4, 0, 14, 0.35, 2, 1000000, 3.0);"),
            "octaves must be 0 to 24 in gen_voronoi_faults()");
  EXPECT_EQ(error_of("HmapMask.fromSimplexNoise(1.0, 3, 1000000, null, 0.5);"),
            "octaves must be 0 to 24 in fromSimplexNoise()");
  EXPECT_EQ(error_of("tiled_fractal_noise2(0.5, 0.5, 4, -1, null, 0.5);"), "octaves must be 0 to 24 in tiled_fractal_noise2()");
  EXPECT_EQ(error_of("gen_droplet_erosion(2000000000, null);"),
            "count must be at most 10000000 droplets in gen_droplet_erosion()");
  EXPECT_EQ(error_of("add_simplex_noise(0, 1e30 * 1e30, 4, 2, 0.5);"), "bad height range in add_simplex_noise()");
  EXPECT_EQ(error_of("flatten_circle(10, 10, 5, 1e30 * 1e30, 1, 1);"), "non-finite argument in flatten_circle()");
  EXPECT_EQ(error_of("gen_fault(10, 10, 1, 0, (1e30 * 1e30) * 0, 0.5, 0.5, null, GT_NONE);"),
            "non-finite argument in gen_fault()");
  EXPECT_EQ(*std::max_element(hmap, hmap + HMAP_CELLS), 0.0f) << "refused calls leave the terrain";
}

// NaN or infinity from a script never reaches a grid: the cell keeps its
// value and the script gets the error.
TEST_F(WorldGenTest, NonFiniteValuesIntoGridsAreScriptErrors) {
  run("inf <- 1e30 * 1e30; nan <- inf * 0; apply_height_mask(null, function(h) { return 2.0; });");
  EXPECT_EQ(error_of("apply_height_mask(null, function(h) { return nan; });"), "non-finite height at 0, 0");
  EXPECT_EQ(hmap[0], 2.0f);
  EXPECT_EQ(error_of("local n = 0; apply_water_mask(null, function(w) { return n++ == 300 ? inf : 1.0; });"),
            "non-finite height at 44, 1");
  EXPECT_EQ(water_at(cell_index(44, 1)).amount, 0.0f);
  EXPECT_EQ(water_at(cell_index(43, 1)).amount, 1.0f);
  EXPECT_EQ(error_of("HmapMask(function(x, z) { return x == 5 && z == 7 ? -inf : 0; });"), "non-finite height at 5, 7");
  EXPECT_EQ(error_of("HmapMask(nan);"), "non-finite height at 0, 0");
  EXPECT_EQ(error_of("apply_height_mask(HmapMask(3e38), null); apply_height_mask(HmapMask(3e38), null);"),
            "non-finite height at 0, 0");
  EXPECT_EQ(hmap[0], 3e38f + 2.0f);
}

TEST_F(WorldGenTest, ApplyHeightMaskAddsOrCallsTheFunction) {
  EXPECT_EQ(error_of("apply_height_mask(null, null);"), "no mask and no func in apply_height_mask()");
  EXPECT_EQ(error_of("apply_water_mask(null, null);"), "no mask and no func in apply_water_mask()");
  run("col <- HmapMask(function(x, z) { return x; });");
  run("apply_height_mask(col, null);");
  EXPECT_EQ(hmap[cell_index(9, 100)], 9.0f);
  run("apply_height_mask(col, function(h, m) { return h * 10 + m; });");
  EXPECT_EQ(hmap[cell_index(9, 100)], 99.0f);
  run("apply_height_mask(null, function(h) { return h - 1; });");
  EXPECT_EQ(hmap[cell_index(9, 100)], 98.0f);
  EXPECT_EQ(error_of("apply_height_mask(null, function(h) { return null; });"), "sq_get*() failed (type error)");
  // An engine error inside the callback keeps its text on the way out.
  EXPECT_EQ(error_of("apply_height_mask(null, function(h) { add_voronoi_hills(3, 0, 1, 1); return h; });"),
            "tile must be power of 2 in add_voronoi_hills()");

  run("apply_water_mask(col, null); apply_water_mask(null, function(w) { return -w; });");
  EXPECT_EQ(water_at(cell_index(9, 100)).amount, -9.0f);
  EXPECT_EQ(hmap[cell_index(9, 100)], 98.0f) << "water operations leave the heights";
  // Flooding fills the cells below the level up to it and leaves the others.
  hmap[cell_index(10, 100)] = 99.5f;
  run("flood_water_below(99.0);");
  EXPECT_EQ(water_at(cell_index(9, 100)).amount, 1.0f);
  EXPECT_EQ(water_at(cell_index(10, 100)).amount, -10.0f);
}

TEST_F(WorldGenTest, RepaintLandSetsColourGroundOverlayAndSurfaceButKeepsMarks) {
  mark_rect(0, 0, 4, 4, MARK_WATER, MARK_WATER);
  surface[cell_index(1, 1)].color = 0xFF102030;
  run("repaint_land(function(x, z, c, o) {"
      "  if (x == 1 && z == 1) seen <- tocolor(c);"
      "  if (x < 2) return [0xFF00FF00, GT_ROCK + 16];"
      "  return [[1.0, 0, 0, 1], GT_SAND, 0x80FFFFFF, ST_SNOW + 32];"
      "});");
  EXPECT_EQ(unsigned(global("seen").toInt()), 0xFF102030u);
  const Surface& left = surface[cell_index(1, 1)];
  EXPECT_EQ(left.color, 0xFF00FF00u);
  EXPECT_EQ(left.overlay, 0u);
  EXPECT_EQ(left.ground, unsigned(GT_ROCK));
  EXPECT_EQ(left.surf, unsigned(ST_OPEN));
  EXPECT_EQ(left.marks, MARK_WATER);
  const Surface& right = surface[cell_index(3, 3)];
  EXPECT_EQ(right.color, 0xFFFF0000u);
  EXPECT_EQ(right.overlay, 0x80FFFFFFu);
  EXPECT_EQ(right.ground, unsigned(GT_SAND));
  EXPECT_EQ(right.surf, unsigned(ST_SNOW));
  EXPECT_EQ(right.marks, MARK_WATER);
  // A function of the position alone is called with it alone; vectors made
  // inside it are whole instances.
  run("repaint_land(function(x, z) { return [lerpcolor(0xFF0000FF, 0xFF00FFFF, x == 3 ? 0 : 1), GT_ROCK]; });");
  EXPECT_EQ(surface[cell_index(3, 3)].color, 0xFF0000FFu);
  EXPECT_EQ(surface[cell_index(4, 3)].color, 0xFF00FFFFu);
  EXPECT_EQ(error_of("repaint_land(null);"), "null function in repaint_land()");
  EXPECT_NE(error_of("repaint_land(function(x, z, c, o) { return [c]; });"), "");
}

TEST_F(WorldGenTest, RecolorByHeightSpreadsTheRampOverTheRange) {
  for (int i = 0; i < HMAP_CELLS; i++) hmap[i] = float(i & 255) * 2.0f + 10.0f;
  surface[0].surf = ST_GRASS;
  run("recolor_by_height(ColorRamp.linear(0xFF000000, 0xFFFFFFFF), null);");
  EXPECT_EQ(surface[cell_index(0, 7)].color, 0xFF000000u);
  EXPECT_EQ(surface[cell_index(255, 7)].color, 0xFFFFFFFFu);
  EXPECT_EQ(surface[0].ground, unsigned(GT_SOIL));
  EXPECT_EQ(surface[0].surf, unsigned(ST_OPEN));
  // From a mask, here rising along z.
  run("recolor_by_height(ColorRamp.linear(0xFF000000, 0xFFFFFFFF), HmapMask(function(x, z) { return -z; }));");
  EXPECT_EQ(surface[cell_index(9, 0)].color, 0xFFFFFFFFu);
  EXPECT_EQ(surface[cell_index(9, 255)].color, 0xFF000000u);
  // A flat source takes the ramp's start rather than dividing by zero.
  run("recolor_by_height(ColorRamp.linear(0xFF204060, 0xFFFFFFFF), HmapMask(3));");
  EXPECT_EQ(surface[cell_index(50, 50)].color, 0xFF204060u);
  EXPECT_NE(error_of("recolor_by_height(null, null);"), "");
}

TEST_F(WorldGenTest, RecolorLand4WeighsFourColoursByTheChannels) {
  surface[0].color = 0x00FF0000;  // red only: k1
  surface[1].color = 0x0000FFFF;  // green and blue equally: between k2 and k3
  surface[2].color = 0x00000000;  // no weight at all: k1
  run("recolor_land4(0xFF0000FF, [0, 1.0, 0, 1], [0, 0, 0, 1], 0xFFFFFFFF);");
  EXPECT_EQ(surface[0].color, 0xFF0000FFu);
  EXPECT_EQ(surface[1].color, 0xFF008000u);
  EXPECT_EQ(surface[2].color, 0xFF0000FFu);
  EXPECT_EQ(surface[1].ground, unsigned(GT_SOIL));
}

TEST_F(WorldGenTest, ErosionReadsItsParameterTable) {
  for (int i = 0; i < HMAP_CELLS; i++) hmap[i] = float((i >> 8) & 255) * 0.3f + float(i & 7);
  std::vector<float> before(hmap, hmap + HMAP_CELLS);
  run("gen_droplet_erosion(300, {Kq = 0, reactions = [[[1, 0, 0, 0], [0, 1, 0, 0], 0.5]]});");
  EXPECT_TRUE(std::equal(before.begin(), before.end(), hmap)) << "no droplet erodes with Kq = 0";
  run("gen_droplet_erosion(-5, null);");
  EXPECT_TRUE(std::equal(before.begin(), before.end(), hmap)) << "a negative count runs nothing";
  run("gen_droplet_erosion(300, null);");
  EXPECT_FALSE(std::equal(before.begin(), before.end(), hmap)) << "the default parameters erode";
  EXPECT_EQ(error_of("gen_droplet_erosion(10, {reactions = [[1, 2]]});"), "reaction must be [from, to, rate]");
  EXPECT_EQ(error_of("gen_droplet_erosion(10, {Kq = \"x\"});"), "sq_get*() failed (type error)");
  EXPECT_EQ(error_of("gen_droplet_erosion(10, 5);"), "sq_get*() failed (type error)");
}

TEST_F(WorldGenTest, TerrainQueriesAndMarks) {
  hmap[cell_index(10, 10)] = 4.0f;
  run("flatten_circle(10, 10, 3, 1, 1, 8);");
  EXPECT_NEAR(hmap[cell_index(10, 10)], 1.0f, 1e-6f);
  memset(hmap, 0, sizeof(hmap));
  for (int z = 8; z <= 12; z++)
    for (int x = 8; x <= 12; x++) hmap[cell_index(x, z)] = 2.0f;
  EXPECT_FLOAT_EQ(num("get_average_circle_height(10, 10, 2)"), 2.0f);
  run("mark_rect(20, 20, 22, 22, MARK_PLACE, MARK_PLACE);");
  EXPECT_EQ(integer("test_rect_mark(20, 20, 22, 22, MARK_PLACE, MARK_PLACE) ? 1 : 0"), 1);
  EXPECT_EQ(integer("test_circle_mark(100, 100, 3, MARK_PLACE, 0) ? 1 : 0"), 1);
  EXPECT_EQ(integer("GT_NONE * 100 + MARK_PLACEMENT * 10 + HMAP_SIZE_SHIFT"), -100 + 70 + 8);
  EXPECT_EQ(integer("HMAP_SIZE"), 256);
}

TEST_F(WorldGenTest, RandomDrawsFollowTheGameGenerator) {
  run("set_rnd_seed(99); a <- irnd(); b <- hmrnd();");
  set_rnd_seed(99);
  EXPECT_EQ(global("a").toInt(), irnd());
  EXPECT_EQ(global("b").toInt(), hmrnd());
  EXPECT_FLOAT_EQ(num("wrap(200.0)"), -56.0f);
  float r = num("rndf(2, 3)");
  EXPECT_GE(r, 2.0f);
  EXPECT_LT(r, 3.0f);
}
