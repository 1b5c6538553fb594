// The preview picture: ground colour with hill shading, fluids over it.
#include <gtest/gtest.h>
#include <cstring>
#include "terrain/heightmap_data.h"
#include "tools/world_preview/preview_image.h"

using namespace HeightmapData;

namespace {

struct Pixel {
  int r, g, b;
};

Pixel pixel(const std::vector<uint8_t>& rgb, int scale, int x, int z) {
  size_t side = size_t(HMAP_SIZE * scale);
  const uint8_t* p = &rgb[(size_t(z) * side + size_t(x)) * 3];
  return {p[0], p[1], p[2]};
}

class WorldPreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset();
    for (Surface& s : surface) s.color = 0xFF808080;
  }
};

}  // namespace

TEST_F(WorldPreviewTest, SlopesFacingTheLightAreBrighterThanSlopesFacingAway) {
  // A ridge along z: heights rise towards x = 128 and fall after it.
  for (int z = 0; z < HMAP_SIZE; z++)
    for (int x = 0; x < HMAP_SIZE; x++) hmap[cell_index(x, z)] = float(128 - std::abs(x - 128)) * 0.5f;
  std::vector<uint8_t> rgb = render_world_preview(1);
  ASSERT_EQ(rgb.size(), size_t(HMAP_CELLS * 3));
  Pixel west = pixel(rgb, 1, 100, 50), east = pixel(rgb, 1, 160, 50);
  EXPECT_GT(west.r, east.r + 20) << "light comes from the west";
  memset(hmap, 0, sizeof(hmap));
  rgb = render_world_preview(1);
  Pixel flat = pixel(rgb, 1, 100, 50);
  EXPECT_GT(flat.r, east.r);
  EXPECT_EQ(flat.r, flat.g) << "grey ground stays grey";
}

TEST_F(WorldPreviewTest, WaterAndLavaAreDrawnOverTheGroundAndScaleRepeatsCells) {
  water_at(cell_index(10, 20)).amount = 2.0f;
  water_at(cell_index(30, 40)).amount = -2.0f;
  water_at(cell_index(50, 60)).amount = 0.001f;  // a film too thin to show
  surface[cell_index(70, 80)].overlay = 0xFF00FF00;
  std::vector<uint8_t> rgb = render_world_preview(2);
  ASSERT_EQ(rgb.size(), size_t(HMAP_CELLS * 4 * 3));
  Pixel water = pixel(rgb, 2, 20, 40), lava = pixel(rgb, 2, 60, 80), film = pixel(rgb, 2, 100, 120);
  Pixel ground = pixel(rgb, 2, 0, 0), grass = pixel(rgb, 2, 140, 160);
  EXPECT_GT(water.b, water.r + 40);
  EXPECT_GT(lava.r, lava.b + 100);
  EXPECT_EQ(film.r, ground.r);
  EXPECT_GT(grass.g, grass.r + 60) << "an opaque overlay covers the ground colour";
  Pixel twin = pixel(rgb, 2, 21, 41);
  EXPECT_EQ(twin.b, water.b);
  WorldPreviewStats s = world_preview_stats();
  EXPECT_EQ(s.water_cells, 1);
  EXPECT_EQ(s.lava_cells, 1);
}
