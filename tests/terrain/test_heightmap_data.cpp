#include "terrain/heightmap_data.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>

#include "app/app_globals.h"
#include "gameobj_host/gameobj_functions.h"
#include "gameobj_host/module_hooks.h"
#include "terrain/grid_math.h"
#include "terrain/surface_color.h"
#include "terrain/terrain_hooks.h"

using namespace HeightmapData;

namespace {

class WorldData : public ::testing::Test {
 protected:
  void SetUp() override {
    reset();
    saved_quality_ = gfx_quality;
    connect_lower_layers_to_module();
  }
  void TearDown() override {
    gfx_quality = saved_quality_;
    gameobj_functions.spawn_water_vapor_fx = nullptr;
    terrain_hooks = TerrainHooks{};
  }
  static unsigned marks_at(int x, int z) { return surface[cell_index(x, z)].marks; }
  int saved_quality_ = 0;
};

TEST_F(WorldData, SurfaceBitFieldsSitWhereTheModuleExpectsThem) {
  Surface s{};
  s.ground = GT_SOIL;
  s.surf = ST_ROAD;
  s.house_variant = 5;
  s.house_tile = 0x1ABC;
  s.marks = 0x9D;
  EXPECT_EQ(s.flags, 3u | (4u << 4) | (5u << 8) | (0x1ABCu << 11) | (0x9Du << 24));
  EXPECT_EQ(reinterpret_cast<const unsigned char*>(&s)[11], 0x9D);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(hmap) % 16, 0u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(water) % 16, 0u);
  EXPECT_EQ(sizeof(water), 65536u * 16u);
}

TEST_F(WorldData, ResetLeavesGreyRockWithoutFluidOrMarks) {
  hmap[5] = 3.0f;
  target_hmap[6] = 2.0f;
  surface[7].flags = 0xFFFFFFFF;
  surface[7].overlay = 0x12345678;
  water[1][2] = Water{1, 2, 3, 4};
  tmpw[1][2] = Water{1, 2, 3, 4};
  land_sound[3].pos_accum = _mm_set1_ps(5.0f);
  reset();
  for (int i = 0; i < HMAP_CELLS; ++i) {
    ASSERT_EQ(hmap[i], 0.0f);
    ASSERT_EQ(target_hmap[i], 0.0f);
    ASSERT_EQ(surface[i].ground, unsigned(GT_ROCK));
    ASSERT_EQ(surface[i].flags, 1u);
    ASSERT_EQ(surface[i].color, 0xFF808080u);
    ASSERT_EQ(surface[i].overlay, 0u);
    ASSERT_EQ(water_at(i).amount, 0.0f);
    ASSERT_EQ(water_at(i).foam, 0.0f);
  }
  EXPECT_EQ(_mm_movemask_ps(_mm_cmpeq_ps(land_sound[3].pos_accum, _mm_setzero_ps())), 15);
  EXPECT_EQ(tmpw[1][2].foam, 4.0f);  // the renderer's copy is not part of the reset
}

TEST_F(WorldData, RecenterCentresHeightsOnZero) {
  for (int i = 0; i < HMAP_CELLS; ++i) hmap[i] = target_hmap[i] = 2.0f + float(i % 9);
  float lo, hi;
  calcHtRange(lo, hi);
  EXPECT_EQ(lo, 2.0f);
  EXPECT_EQ(hi, 10.0f);
  EXPECT_EQ(recenterHt(), 4.0f);
  calcHtRange(lo, hi);
  EXPECT_EQ(lo, -4.0f);
  EXPECT_EQ(hi, 4.0f);
  EXPECT_EQ(target_hmap[8], 10.0f);
}

TEST_F(WorldData, WaterEverywhereMayTurnIntoLava) {
  water[3][4].amount = 0.5f;
  addWaterEverywhere(-1.0f);
  EXPECT_EQ(water[3][4].amount, -0.5f);
  EXPECT_EQ(water[200][100].amount, -1.0f);
}

TEST_F(WorldData, MarkRectWrapsAndAlwaysSetsTheValueBits) {
  mark_rect(250, 250, 260, 260, MARK_OBJ, 0);
  int marked = 0;
  for (int z = 0; z < 256; ++z)
    for (int x = 0; x < 256; ++x)
      if (marks_at(x, z)) {
        ++marked;
        EXPECT_TRUE((x >= 250 || x <= 4) && (z >= 250 || z <= 4)) << x << "," << z;
      }
  EXPECT_EQ(marked, 11 * 11);
  EXPECT_EQ(marks_at(0, 0), MARK_OBJ);

  mark_rect(10, 10, 12, 12, MARK_HOUSE | MARK_WATER, 0);
  mark_rect(10, 10, 12, 12, MARK_PLACE, 0);
  EXPECT_EQ(marks_at(11, 11), MARK_HOUSE | MARK_WATER | MARK_PLACE);
  mark_rect(10, 10, 12, 12, 0, MARK_HOUSE);
  EXPECT_EQ(marks_at(11, 11), MARK_WATER | MARK_PLACE);
  mark_rect(10, 10, 12, 12, MARK_OBJ, MARK_WATER | MARK_OBJ);  // value wins inside the mask
  EXPECT_EQ(marks_at(12, 12), MARK_PLACE | MARK_OBJ);
  mark_rect(10, 10, 12, 12, 0x100 | MARK_HOUSE, 0);  // only the mark byte is written
  EXPECT_EQ(surface[cell_index(10, 10)].ground, unsigned(GT_ROCK));
  EXPECT_EQ(surface[cell_index(11, 10)].color, 0xFF808080u);
}

TEST_F(WorldData, HugeRangesAndRadiiFinishAndReachEveryCell) {
  mark_rect(0, 0, INT_MAX, INT_MAX, MARK_OBJ, 0);
  EXPECT_TRUE(test_rect_mark(INT_MIN, INT_MIN, INT_MAX, INT_MAX, MARK_OBJ, MARK_OBJ));
  mark_circle(7.0f, 9.0f, 1e7f, MARK_PLACE, 0);
  EXPECT_TRUE(test_circle_mark(-3.0f, 1e6f, 5e6f, MARK_PLACE, MARK_PLACE));
  EXPECT_TRUE(test_rect_mark(0, 0, 255, 255, 15, MARK_OBJ | MARK_PLACE));
  mark_circle(0.0f, 0.0f, std::nanf(""), MARK_WATER, 0);  // an undefined disc holds no cell
  EXPECT_TRUE(test_rect_mark(0, 0, 255, 255, MARK_WATER, 0));
}

TEST_F(WorldData, TestRectStopsAtTheFirstMismatchAndEmptyIsTrue) {
  EXPECT_TRUE(test_rect_mark(5, 5, 4, 9, 15, 7));
  EXPECT_TRUE(test_rect_mark(250, 250, 260, 260, 15, 0));
  mark_rect(2, 3, 2, 3, MARK_WATER, 0);
  EXPECT_FALSE(test_rect_mark(250, 250, 260, 260, 15, 0));
  EXPECT_TRUE(test_rect_mark(250, 250, 260, 260, MARK_HOUSE, 0));
  EXPECT_TRUE(test_rect_mark(2, 3, 2, 3, MARK_WATER, MARK_WATER));
}

TEST_F(WorldData, CirclesUseTheStrictDiscAndSmallOnesTouchOneCell) {
  mark_circle(10.4f, 20.6f, 0.5f, MARK_OBJ, 0);
  mark_circle(10.4f, 20.6f, 1.0f, MARK_PLACE, 0);
  int marked = 0;
  for (int i = 0; i < HMAP_CELLS; ++i) marked += surface[i].marks != 0;
  EXPECT_EQ(marked, 1);
  EXPECT_EQ(marks_at(10, 21), MARK_OBJ | MARK_PLACE);
  EXPECT_FALSE(test_circle_mark(10.4f, 20.6f, 0.5f, MARK_OBJ, 0));
  EXPECT_TRUE(test_circle_mark(11.0f, 21.0f, 0.5f, MARK_OBJ, 0));

  // Radius 2 around a lattice point: (2, 0) lies exactly on the circle, outside.
  mark_circle(100.0f, 100.0f, 2.0f, MARK_HOUSE, 0);
  EXPECT_EQ(marks_at(101, 101), MARK_HOUSE);
  EXPECT_EQ(marks_at(102, 100), 0u);
  EXPECT_EQ(marks_at(100, 98), 0u);
  marked = 0;
  for (int i = 0; i < HMAP_CELLS; ++i) marked += (surface[i].marks & MARK_HOUSE) != 0;
  EXPECT_EQ(marked, 9);
  EXPECT_TRUE(test_circle_mark(100.0f, 100.0f, 2.0f, MARK_HOUSE, MARK_HOUSE));
  EXPECT_FALSE(test_circle_mark(100.0f, 100.0f, 2.1f, MARK_HOUSE, MARK_HOUSE));

  mark_circle(0.0f, 0.0f, 3.0f, MARK_WATER, 0);  // wraps to the far edges
  EXPECT_EQ(marks_at(254, 0), MARK_WATER);
  EXPECT_EQ(marks_at(0, 254), MARK_WATER);
  EXPECT_EQ(marks_at(2, 2), MARK_WATER);
}

TEST_F(WorldData, MarkWaterTakesDeeperCellsAndNaN) {
  water[1][1].amount = 0.6f;
  water[2][2].amount = 0.5f;
  water[3][3].amount = -2.0f;
  water[4][4].amount = std::nanf("");
  mark_water(0.5f, MARK_WATER, 0);
  EXPECT_EQ(marks_at(1, 1), MARK_WATER);
  EXPECT_EQ(marks_at(2, 2), 0u);
  EXPECT_EQ(marks_at(3, 3), 0u);
  EXPECT_EQ(marks_at(4, 4), MARK_WATER);
}

TEST(GridRounding, FloorAndCeilRoundNearestOfShiftedValues) {
  EXPECT_EQ(floor_coord(2.0f), 2);
  EXPECT_EQ(floor_coord(2.999999f), 2);
  EXPECT_EQ(floor_coord(-0.5f), -1);
  EXPECT_EQ(floor_coord(-1.0f), -1);
  EXPECT_EQ(floor_coord(-1e-8f), 0);  // within the shift below an integer: that integer
  EXPECT_EQ(ceil_coord(2.0f), 2);
  EXPECT_EQ(ceil_coord(2.000001f), 3);
  EXPECT_EQ(ceil_coord(1e-8f), 0);
  EXPECT_EQ(round_nearest(2.5f), 2);
  EXPECT_EQ(round_nearest(3.5f), 4);
}

TEST_F(WorldData, BilinearHeightWrapsAndInterpolates) {
  hmap[cell_index(0, 0)] = 4.0f;
  EXPECT_FLOAT_EQ(bilinear_height(hmap, 255.5f, 255.5f), 1.0f);
  EXPECT_FLOAT_EQ(bilinear_height(hmap, -0.25f, 0.0f), 3.0f);
  EXPECT_FLOAT_EQ(bilinear_height(hmap, 0.0f, 0.75f), 1.0f);
}

TEST_F(WorldData, ColoursPackRoundAndSaturate) {
  EXPECT_EQ(pack_color(unpack_color(0x80FF4001)), 0x80FF4001u);
  EXPECT_EQ(pack_color(_mm_setr_ps(2.0f, -1.0f, 0.5f, std::nanf(""))), 0x00FF0080u);
  EXPECT_EQ(blend_color(0xFF808080, _mm_setzero_ps(), 0.5f), 0x80404040u);
  EXPECT_EQ(blend_color(0xFF000000, _mm_set1_ps(1.0f), 0.0f), 0xFF000000u);
  // Unpacking reads a table made when compiling: it must hold exactly what
  // dividing at run time gives, and every byte must pack back to itself.
  volatile float divisor = 255.0f;
  for (unsigned b = 0; b < 256; ++b) {
    float quotient = float(b) / divisor;
    EXPECT_EQ(std::memcmp(&BYTE_UNITS[b], &quotient, sizeof quotient), 0) << b;
    unsigned gray = b * 0x01010101u;
    EXPECT_EQ(pack_color(unpack_color(gray)), gray);
  }
}

TEST_F(WorldData, LavaOnWaterHardensTheMetPartAndStopsTheCell) {
  int i = cell_index(7, 9);
  hmap[i] = target_hmap[i] = 2.0f;
  water_at(i) = Water{1.0f, 0.3f, -0.2f, 0.1f};
  addLavaAt(i, 3.0f);
  EXPECT_EQ(hmap[i], 3.0f);
  EXPECT_EQ(target_hmap[i], 3.0f);
  EXPECT_EQ(water_at(i).amount, -2.0f);
  EXPECT_EQ(water_at(i).vel_x, 0.0f);
  EXPECT_EQ(water_at(i).vel_z, 0.0f);
  EXPECT_EQ(surface[i].surf, unsigned(ST_ASH));
  // t = 1: fully burnt ground and ash overlay.
  EXPECT_EQ(surface[i].color, pack_color(burnt_ground_color));
  EXPECT_EQ(surface[i].overlay, pack_color(ash_overlay_color));
}

TEST_F(WorldData, LavaOnMoreWaterKeepsTheFlowAndLeavesWater) {
  int i = cell_index(1, 1);
  water_at(i) = Water{2.0f, 0.3f, 0.4f, 0.0f};
  addLavaAt(i, 0.004f);
  EXPECT_FLOAT_EQ(water_at(i).amount, 1.996f);
  EXPECT_EQ(water_at(i).vel_x, 0.3f);
  EXPECT_FLOAT_EQ(hmap[i], 0.004f);
  EXPECT_EQ(surface[i].surf, unsigned(ST_OPEN));  // t = 0.4 < 0.5
  EXPECT_NE(surface[i].color, 0xFF808080u);
}

TEST_F(WorldData, LavaAndWaterRemovalOnlyTakeTheirOwnFluid) {
  int i = cell_index(3, 3);
  water_at(i).amount = -2.0f;
  addLavaAt(i, -0.5f);
  EXPECT_EQ(water_at(i).amount, -1.5f);
  addLavaAt(i, -5.0f);
  EXPECT_EQ(water_at(i).amount, 0.0f);
  water_at(i).amount = 1.0f;
  addLavaAt(i, -5.0f);
  EXPECT_EQ(water_at(i).amount, 1.0f);
  addLavaAt(i, 0.0f);
  EXPECT_EQ(water_at(i).amount, 1.0f);

  water_at(i).amount = -3.0f;
  addWaterAt(i, -5.0f);
  EXPECT_EQ(water_at(i).amount, -3.0f);
  water_at(i).amount = 2.0f;
  addWaterAt(i, -5.0f);
  EXPECT_EQ(water_at(i).amount, 0.0f);
  water_at(i).amount = 2.0f;
  addWaterAt(i, -0.5f);
  EXPECT_EQ(water_at(i).amount, 1.5f);
  addWaterAt(i, 1.0f);
  EXPECT_EQ(water_at(i).amount, 2.5f);
  EXPECT_EQ(hmap[i], 0.0f);
}

TEST_F(WorldData, WaterOnLavaHardensWithoutStoppingTheCell) {
  int i = cell_index(200, 3);
  water_at(i) = Water{-0.5f, 1.0f, 2.0f, 0.0f};
  addWaterAt(i, 2.0f);
  EXPECT_EQ(hmap[i], 0.5f);
  EXPECT_EQ(water_at(i).amount, 1.5f);
  EXPECT_EQ(water_at(i).vel_x, 1.0f);
  EXPECT_EQ(surface[i].surf, unsigned(ST_ASH));
}

struct VaporCall {
  int x, z;
  float height, amount;
  int count;
};
VaporCall vapor;
void record_vapor(int x, int z, float height, float amount) { vapor = {x, z, height, amount, vapor.count + 1}; }

TEST_F(WorldData, SteamGoesToTheModuleOnlyAtHighQuality) {
  int i = cell_index(17, 250);
  vapor = {};
  gfx_quality = 1;
  addLavaAt(i, 1.0f);  // no water there: no steam
  EXPECT_EQ(vapor.count, 0);

  water_at(i) = Water{-1.0f, 0, 0, 0};
  hmap[i] = 4.0f;
  addWaterAt(i, 0.25f);  // unbound module: nothing happens
  EXPECT_EQ(vapor.count, 0);

  gameobj_functions.spawn_water_vapor_fx = record_vapor;
  water_at(i) = Water{-1.0f, 0, 0, 0};
  hmap[i] = 4.0f;
  addWaterAt(i, 0.25f);
  EXPECT_EQ(vapor.count, 1);
  EXPECT_EQ(vapor.x, 17);
  EXPECT_EQ(vapor.z, 250);
  EXPECT_FLOAT_EQ(vapor.height, 4.0f + 0.25f + 0.75f);
  EXPECT_FLOAT_EQ(vapor.amount, 0.25f);

  water_at(i) = Water{0.5f, 0, 0, 0};
  hmap[i] = 1.0f;
  addLavaAt(i, 2.0f);
  EXPECT_EQ(vapor.count, 2);
  EXPECT_FLOAT_EQ(vapor.height, 1.0f + 0.5f + 1.5f);
  EXPECT_FLOAT_EQ(vapor.amount, 0.5f);

  gfx_quality = 0;
  water_vapor_fx(1, 2, 3.0f, 4.0f);
  water_at(i) = Water{0.5f, 0, 0, 0};
  addLavaAt(i, 2.0f);
  EXPECT_EQ(vapor.count, 2);
  gfx_quality = 1;
  water_vapor_fx(1, 2, 3.0f, 4.0f);
  EXPECT_EQ(vapor.count, 3);
  EXPECT_EQ(vapor.height, 3.0f);
}

TEST_F(WorldData, DepositRockRaisesBothHeightsAndAshes) {
  int i = cell_index(0, 255);
  depositRock(i, 0.002f);
  EXPECT_FLOAT_EQ(hmap[i], 0.002f);
  EXPECT_FLOAT_EQ(target_hmap[i], 0.002f);
  EXPECT_EQ(surface[i].surf, unsigned(ST_OPEN));
  EXPECT_EQ(surface[i].color, blend_color(0xFF808080, burnt_ground_color, 0.2f));
  EXPECT_EQ(surface[i].overlay, blend_color(0, ash_overlay_color, 0.2f));
  depositRock(cell_index(1, 1), 0.005f);  // t = 0.5 exactly: ash
  EXPECT_EQ(surface[cell_index(1, 1)].surf, unsigned(ST_ASH));
}

TEST_F(WorldData, SquareDepthFindsTheHighestInterpolatedPoint) {
  // A single spike at (10, 10): only lattice points inside the square see it fully.
  hmap[cell_index(10, 10)] = 8.0f;
  __m128 pos = _mm_setr_ps(10.2f, 1.0f, 10.3f, 0.0f);
  EXPECT_FLOAT_EQ(_mm_cvtss_f32(calcSquareDepth(pos, 0.5f, false)), 7.0f);
  alignas(16) float lanes[4];
  _mm_store_ps(lanes, calcSquareDepth(pos, 0.5f, false));
  EXPECT_EQ(lanes[0], lanes[3]);

  // A small square inside one cell: the corner nearest the spike decides.
  pos = _mm_setr_ps(10.5f, 0.0f, 10.5f, 0.0f);
  EXPECT_NEAR(_mm_cvtss_f32(calcSquareDepth(pos, 0.25f, false)), 8.0f * 0.75f * 0.75f, 1e-5f);
  // Edges pick up the spike between corners.
  pos = _mm_setr_ps(10.0f, 0.0f, 10.6f, 0.0f);
  EXPECT_NEAR(_mm_cvtss_f32(calcSquareDepth(pos, 0.2f, false)), 8.0f * 0.6f, 1e-5f);

  // Lava and water both count as height with fluid.
  water[20][30].amount = -3.0f;
  pos = _mm_setr_ps(30.0f, 0.0f, 20.0f, 0.0f);
  EXPECT_FLOAT_EQ(_mm_cvtss_f32(calcSquareDepth(pos, 1.0f, true)), 3.0f);
  EXPECT_FLOAT_EQ(_mm_cvtss_f32(calcSquareDepth(pos, 1.0f, false)), 0.0f);

  // A square far wider than the map still finds the highest point, at once.
  pos = _mm_setr_ps(3.0f, 1.0f, 4.0f, 0.0f);
  EXPECT_FLOAT_EQ(_mm_cvtss_f32(calcSquareDepth(pos, 1e9f, false)), 7.0f);

  // Wraps across the map edge.
  hmap[cell_index(0, 0)] = 5.0f;
  pos = _mm_setr_ps(255.5f, 0.0f, 255.5f, 0.0f);
  EXPECT_FLOAT_EQ(_mm_cvtss_f32(calcSquareDepth(pos, 0.6f, false)), 5.0f);
}

}  // namespace
