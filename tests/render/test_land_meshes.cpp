// The terrain renderer's CPU work: fluid surfaces, flow field and the meshes
// built around the camera.
#include <gtest/gtest.h>
#include <cmath>
#include <vector>
#include "render/land_fluids.h"
#include "render/land_meshes.h"
#include "terrain/game_random.h"

using namespace HeightmapData;
using namespace LandMeshes;
using LandFluids::NO_SURFACE;

namespace {
std::vector<std::pair<int, int>> houses_met;
void note_house(Surface*, int x, int z) { houses_met.push_back({x, z}); }

class LandMeshTest : public ::testing::Test {
protected:
  void SetUp() override {
    reset();
    for (int i = 0; i < HMAP_CELLS; i++) hmap[i] = 1.f;
    houses_met.clear();
    game_rnd_seed = 5;
  }
  std::vector<float> water_surf = std::vector<float>(HMAP_CELLS), lava_surf = std::vector<float>(HMAP_CELLS);
  void surfaces(float threshold) { LandFluids::compute_surfaces(threshold, water_surf.data(), lava_surf.data()); }
};
}  // namespace

TEST_F(LandMeshTest, ShallowWaterDrawsOnlyAtHighQualityAndShoresStayBelowTheirGround) {
  int wet = cell_index(10, 10);
  water_at(wet).amount = 0.05f;
  hmap[cell_index(11, 10)] = 0.5f;  // a low neighbour: its surface is capped by its own ground
  surfaces(LandFluids::SURFACE_THRESHOLD_HIGH);
  EXPECT_FLOAT_EQ(water_surf[wet], 1.05f);
  EXPECT_FLOAT_EQ(water_surf[cell_index(9, 9)], 1.f);
  EXPECT_FLOAT_EQ(water_surf[cell_index(11, 10)], 0.5f);
  EXPECT_EQ(water_surf[cell_index(12, 10)], NO_SURFACE);
  EXPECT_EQ(lava_surf[wet], NO_SURFACE);
  surfaces(LandFluids::SURFACE_THRESHOLD_LOW);
  EXPECT_EQ(water_surf[wet], NO_SURFACE);
  EXPECT_EQ(water_surf[cell_index(9, 9)], NO_SURFACE);
}

TEST_F(LandMeshTest, LavaSurfacesAverageTheirNeighboursAcrossTheMapEdge) {
  water_at(cell_index(0, 0)).amount = -0.5f;
  water_at(cell_index(254, 0)).amount = -1.5f;
  surfaces(LandFluids::SURFACE_THRESHOLD_HIGH);
  EXPECT_FLOAT_EQ(lava_surf[cell_index(0, 0)], 1.5f);
  hmap[cell_index(255, 0)] = 3.f;
  surfaces(LandFluids::SURFACE_THRESHOLD_HIGH);
  EXPECT_FLOAT_EQ(lava_surf[cell_index(255, 0)], 2.f);  // (1.5 + 2.5) / 2, below its ground of 3
  EXPECT_EQ(water_surf[cell_index(255, 0)], NO_SURFACE);
}

TEST_F(LandMeshTest, HouseTilesAreDrawnByNeitherMeshAndHandedOverOnce) {
  Frame f = make_frame(0.5f, 0.5f);
  surface[cell_index(5, -3)].flags = 0;     // in the near window
  surface[cell_index(100, 20)].flags = 0;   // in the far disc
  surface[cell_index(128, 128)].flags = 0;  // beyond the disc: not met
  std::vector<NearCellInstance> near(MAX_NEAR_CELLS);
  EXPECT_EQ(build_near_cells(f, hmap, near.data(), note_house), MAX_NEAR_CELLS - 1);
  for (int i = 0; i < MAX_NEAR_CELLS - 1; i++) EXPECT_FALSE(near[i].x == 5 && near[i].z == -3);
  std::vector<uint16_t> idx(LAND_INDICES);
  int n = build_land_indices(f, idx.data(), note_house);
  ASSERT_EQ(houses_met.size(), 2u);
  EXPECT_EQ(houses_met[0], std::make_pair(5, -3));
  EXPECT_EQ(houses_met[1], std::make_pair(100, 20));
  // The house's quad in the grid (row 20 + 128, column 100 + 128) is left out.
  int house_quad = (20 + 128) * GRID + 100 + 128;
  for (int i = 0; i < n; i += 6) EXPECT_NE(idx[i], house_quad);
  // Given back its ground, the far house's block is drawn coarse: 16 quads
  // of 2 x 2 cells instead of 63 of one.
  surface[cell_index(100, 20)].flags = 1;
  Frame plain = make_frame(0.5f, 0.5f);
  int full = build_land_indices(plain, idx.data(), nullptr);
  EXPECT_EQ(n - full, (63 - 16) * 6);
  EXPECT_LE(full, LAND_INDICES);
}

TEST_F(LandMeshTest, FarGridIsCoarseAndMeetsTheFineGridWithoutGaps) {
  for (int i = 0; i < HMAP_CELLS; i++) hmap[i] = float((i * 2654435761u) >> 24) * 0.1f;
  Frame f = make_frame(0.5f, 0.5f);
  std::vector<uint16_t> idx(LAND_INDICES);
  int n = build_land_indices(f, idx.data(), nullptr);
  // About 40 cells around the camera at full detail, the rest of the disc coarse.
  EXPECT_TRUE(f.fine[CULL_BLOCKS / 2][CULL_BLOCKS / 2 + FINE_BLOCKS - 1]);
  EXPECT_FALSE(f.fine[CULL_BLOCKS / 2][CULL_BLOCKS / 2 + FINE_BLOCKS]);
  EXPECT_LT(n, LAND_INDICES / 2);
  std::vector<LandGridVertex> grid(GRID * GRID);
  build_land_grid(f, hmap, grid.data());
  // The fine side's vertices along the edge to the first coarse column lie
  // on the coarse quads' edge; inside the coarse block they keep the ground.
  int k = (CULL_BLOCKS / 2 + FINE_BLOCKS) * CULL_BLOCK;
  for (int r = GRID / 2 - 7; r < GRID / 2 + 7; r += 2) {
    EXPECT_FLOAT_EQ(grid[r * GRID + k].h, 0.5f * (grid[(r - 1) * GRID + k].h + grid[(r + 1) * GRID + k].h)) << r;
    EXPECT_EQ(grid[r * GRID + k + 1].h, hmap[cell_index(k + 1 - GRID / 2, r - GRID / 2)]) << r;
  }
}

TEST_F(LandMeshTest, GridAroundCellZeroSpansMinus128To127Wrapped) {
  hmap[cell_index(128, 128)] = 7.f;  // cell -128, -128 wrapped
  hmap[cell_index(127, 0)] = 9.f;
  Frame f = make_frame(0.2f, 0.9f);
  std::vector<LandGridVertex> grid(GRID * GRID);
  build_land_grid(f, hmap, grid.data());
  EXPECT_EQ(grid[0].x, -128);
  EXPECT_EQ(grid[0].z, -128);
  EXPECT_EQ(grid[0].h, 7.f);
  const LandGridVertex& last = grid[128 * GRID + 255];
  EXPECT_EQ(last.x, 127);
  EXPECT_EQ(last.z, 0);
  EXPECT_EQ(last.h, 9.f);
  // Far from the origin the positions stay small: relative to a multiple of 256.
  Frame far = make_frame(-5000.3f, 70000.f);
  build_land_grid(far, hmap, grid.data());
  EXPECT_EQ(grid[0].x + far.base_x, -5001 - 128);
  EXPECT_EQ(grid[0].z + far.base_z, 70000 - 128);
}

TEST_F(LandMeshTest, FluidQuadsNeedASurfaceOnAllFourCorners) {
  LandFluids::reset(0, 0);
  for (int z = 0; z < 3; z++)
    for (int x = 0; x < 3; x++) LandFluids::state.frame_surf[cell_index(x, z)][0] = 2.f;
  std::vector<uint16_t> idx(FLUID_INDICES);
  Frame f = make_frame(0.f, 0.f);
  EXPECT_EQ(build_fluid_indices(f, 0, idx.data()), 4 * 6);
  EXPECT_EQ(build_fluid_indices(f, 1, idx.data()), 0);
  std::vector<FluidVertexLow> v(GRID * GRID);
  build_fluid_low(f, 0, 0.f, hmap, v.data());
  EXPECT_EQ(v[128 * GRID + 128].surface, 2.f);
  EXPECT_EQ(v[128 * GRID + 133].surface, 1.f);  // no surface: the ground
}

TEST_F(LandMeshTest, HorizonCurvesAwayAndLeavesAHoleForTheLand) {
  LandFluids::reset(0, 0);
  Frame f = make_frame(0.f, 0.f);
  std::vector<LandGridVertex> v(HORIZON * HORIZON);
  build_horizon(f, hmap, LandFluids::state.frame_surf, v.data());
  EXPECT_EQ(v[0].x, -384);  // (0 - 383) rounded down to a multiple of 4
  const LandGridVertex& corner = v[0];
  float d = std::sqrt(float(corner.x * corner.x + corner.z * corner.z));
  float e = (d - 128.f) / 256.f;
  EXPECT_NEAR(corner.h, 1.f - 128.f * e * e, 1e-3f);
  EXPECT_EQ(v[96 * HORIZON + 96].h, 1.f);  // near the camera: not lowered
  std::vector<uint16_t> ring(HORIZON_INDICES);
  int n = build_horizon_ring(f, ring.data());
  EXPECT_GT(n, 0);
  EXPECT_LT(n, HORIZON_INDICES);
  for (int i = 0; i < n; i += 6) {
    int r = ring[i] / HORIZON, k = ring[i] % HORIZON;
    EXPECT_GT((2 * r - 191) * (2 * r - 191) + (2 * k - 191) * (2 * k - 191), HORIZON_HOLE);
  }
}

TEST_F(LandMeshTest, FlowPhasesFollowTheWaterAndAreReseededInTurn) {
  LandFluids::reset(0, 0);
  auto game_random = game_rnd_seed;
  LandFluids::FlowCell start = LandFluids::state.flow[0][cell_index(40, 40)];
  for (int z = 0; z < HMAP_SIZE; z++)
    for (int x = 0; x < HMAP_SIZE; x++) water[z][x].vel_x = 5.f;  // faces x-1 and x: 10 cells/s
  // Each update of 0.1 s carries the coordinates one cell downstream.
  LandFluids::update(0.1f, true, 0, 0);
  const LandFluids::FlowCell* cur = LandFluids::state.flow[LandFluids::state.flow_cur];
  EXPECT_FLOAT_EQ(cur[cell_index(41, 40)].ax, start.ax);
  EXPECT_FLOAT_EQ(cur[cell_index(41, 40)].bz, start.bz);
  for (int i = 1; i < 19; i++) LandFluids::update(0.1f, true, 0, 0);
  LandFluids::FlowCell carried = LandFluids::state.flow[LandFluids::state.flow_cur][cell_index(59, 40)];
  LandFluids::update(0.1f, true, 0, 0);  // the 20th: phase A starts again, B flows on
  LandFluids::FlowCell a = LandFluids::state.flow[LandFluids::state.flow_cur][cell_index(60, 40)];
  EXPECT_NE(a.ax, carried.ax);
  EXPECT_FLOAT_EQ(a.bx, carried.bx);
  for (int i = 0; i < 19; i++) LandFluids::update(0.1f, true, 0, 0);
  LandFluids::FlowCell before_b = LandFluids::state.flow[LandFluids::state.flow_cur][cell_index(99, 40)];
  LandFluids::update(0.1f, true, 0, 0);  // the 40th: phase B's turn
  LandFluids::FlowCell b = LandFluids::state.flow[LandFluids::state.flow_cur][cell_index(100, 40)];
  EXPECT_FLOAT_EQ(b.ax, before_b.ax);
  EXPECT_NE(b.bx, before_b.bx);
  EXPECT_EQ(LandFluids::state.counter, 0);
  // The reseeding draws nothing from the game's generator: the game plays
  // the same at either quality.
  EXPECT_EQ(game_rnd_seed, game_random);
}

TEST_F(LandMeshTest, MapWaterIndicesSplitWhereVertexNumbersLeave16Bits) {
  water_at(cell_index(3, 3)).amount = 1.f;
  water_at(cell_index(7, 255)).amount = -1.f;  // lava counts too, in the last two quad rows
  std::vector<uint16_t> idx(MAP_WATER_INDICES);
  int first = -1;
  int n = build_map_water_indices(idx.data(), &first);
  EXPECT_EQ(first, 4 * 6);
  EXPECT_EQ(n - first, 4 * 6);
  EXPECT_EQ(idx[0], 2 * MAP_WATER + 2);
  EXPECT_EQ(idx[first], 254 * MAP_WATER + 6 - MAP_WATER_SPLIT);
  for (int i = first; i < n; i++) EXPECT_LT(int(idx[i]) + MAP_WATER_SPLIT, MAP_WATER * MAP_WATER);
}
