// The terrain renderer on a real device: the cell textures, normals and world
// map after a refresh, read back and compared with the grids.
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <vector>
#include "app/app_globals.h"
#include "core/paths.h"
#include "render/land_render.h"
#include "render/land_textures.h"
#include "render/render_state.h"
#include "render/shaders.h"
#include "render/textures.h"
#include "tests/render/render_test_env.h"

using namespace HeightmapData;
using namespace HeightmapRenderer;

namespace {
int channel(uint32_t c, int shift) { return int((c >> shift) & 255); }

// The renderer reads its shaders and textures from the game's folder.
class LandRenderTest : public ::testing::Test {
protected:
  void SetUp() override {
    memcpy(saved_path_, app_path, sizeof(saved_path_));
    snprintf(app_path, sizeof(app_path), "%s/", EH_BIN_DIR);
    saved_quality_ = gfx_quality;
    gfx_quality = 0;
    Matrix44 view = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {-100.5f, -10, -100.5f, 1}}};
    set_view_tm(view);
    reset();
  }
  void TearDown() override {
    close_land_render();
    gfx_quality = saved_quality_;
    memcpy(app_path, saved_path_, sizeof(saved_path_));
  }
  void start(int quality) {
    gfx_quality = quality;
    init_land_render();
    prepare_land_render(0.f);
  }
  std::vector<float> heights() {
    int pitch = 0;
    const uint8_t* p = lock_texture(hmapTex, &pitch, false);
    std::vector<float> out(HMAP_CELLS);
    for (int z = 0; p && z < HMAP_SIZE; z++) memcpy(&out[size_t(z) * HMAP_SIZE], p + z * pitch, HMAP_SIZE * 4);
    unlock_texture(hmapTex);
    return out;
  }
  std::vector<uint32_t> pixels(Texture* t) {
    std::vector<uint32_t> px(size_t(texture_width(t)) * size_t(texture_height(t)));
    EXPECT_TRUE(read_texture_pixels(t, px.data()));
    return px;
  }
  // The normal at cell position (x, z) as stored, decoded.
  void normal_at(int x, int z, float n[3], Texture* normals = nullptr) {
    uint32_t c = pixels(normals ? normals : normTex)[size_t(z * 4 + 1) * 1024 + size_t(x * 4 + 1)];
    for (int i = 0; i < 3; i++) n[i] = float(channel(c, 16 - 8 * i)) / 255.f * 2.f - 1.f;
  }
  void slope_ground(float per_cell) {
    for (int z = 0; z < HMAP_SIZE; z++)
      for (int x = 0; x < HMAP_SIZE; x++) hmap[cell_index(x, z)] = per_cell * float(x);
  }

  char saved_path_[sizeof(app_path)];
  int saved_quality_ = 1;
};
}  // namespace

TEST_F(LandRenderTest, CellTexturesHoldTheGridsAfterARefresh) {
  for (int i = 0; i < HMAP_CELLS; i++) {
    hmap[i] = float(i % 977) * 0.37f - 100.f;
    water_at(i).amount = i % 5 == 0 ? 0.25f : i % 7 == 0 ? -1.5f : 0.f;
    surface[i].color = 0xFF000000u | uint32_t(i * 2654435761u >> 8);
    surface[i].overlay = uint32_t(i * 40503u);
  }
  start(0);
  std::vector<float> h = heights();
  std::vector<uint32_t> colr = pixels(colrTex), topc = pixels(topcTex);
  int wrong_h = 0, wrong_c = 0, wrong_o = 0;
  for (int i = 0; i < HMAP_CELLS; i++) {
    wrong_h += h[size_t(i)] != hmap[i] + std::fabs(water_at(i).amount);
    wrong_c += colr[size_t(i)] != surface[i].color;
    wrong_o += topc[size_t(i)] != surface[i].overlay;
  }
  EXPECT_EQ(wrong_h, 0);
  EXPECT_EQ(wrong_c, 0);
  EXPECT_EQ(wrong_o, 0);
}

TEST_F(LandRenderTest, NormalsFollowTheSlopeAtBothQualities) {
  for (int quality = 0; quality < 2; quality++) {
    slope_ground(0.25f);
    start(quality);
    float n[3];
    normal_at(100, 60, n);
    float len = std::sqrt(0.25f * 0.25f + 1.f);
    EXPECT_NEAR(n[0], -0.25f / len, 0.02f) << quality;
    EXPECT_NEAR(n[1], 1.f / len, 0.02f) << quality;
    EXPECT_NEAR(n[2], 0.f, 0.02f) << quality;
    close_land_render();
  }
}

// The frame blends the previous update's normals into the current ones, so
// both must be kept: the flat ground before a change, the slope after it.
TEST_F(LandRenderTest, ARefreshKeepsThePreviousNormalsForTheFrameToBlendFrom) {
  start(0);  // flat
  slope_ground(1.f);
  request_land_refresh();
  prepare_land_render(0.f);
  float before[3], after[3];
  normal_at(100, 60, before, previous_land_normals());
  normal_at(100, 60, after, current_land_normals());
  EXPECT_NEAR(before[0], 0.f, 0.01f);
  EXPECT_NEAR(after[0], -1.f / std::sqrt(2.f), 0.02f);
}

// Only ground that moved is relit; a new world starts both updates' normals
// from itself, so nothing of the old world shows through the blend.
TEST_F(LandRenderTest, RefreshRelightsOnlyWhatMovedAndANewWorldBlendsFromItself) {
  start(0);
  request_land_refresh();
  prepare_land_render(0.f);
  EXPECT_EQ(land_tiles_last_refreshed(), 0);  // nothing moved
  for (int z = 60; z < 70; z++)
    for (int x = 100; x < 110; x++) hmap[cell_index(x, z)] = float(x - 100) * 0.5f;
  request_land_refresh();
  prepare_land_render(0.f);
  EXPECT_GT(land_tiles_last_refreshed(), 0);
  EXPECT_LE(land_tiles_last_refreshed(), 16);  // the 16-cell tiles around the hill
  float n[3];
  normal_at(104, 64, n, current_land_normals());
  EXPECT_LT(n[0], -0.2f);

  slope_ground(1.f);
  restart_land_render();
  prepare_land_render(0.f);
  float prev[3], cur[3];
  normal_at(30, 200, prev, previous_land_normals());
  normal_at(30, 200, cur, current_land_normals());
  EXPECT_NEAR(prev[0], -1.f / std::sqrt(2.f), 0.02f);
  EXPECT_NEAR(cur[0], prev[0], 0.01f);
}

TEST_F(LandRenderTest, WorldMapShowsGroundLitAndWaterBlue) {
  for (int z = 100; z < 120; z++)
    for (int x = 100; x < 120; x++) water[z][x].amount = 3.f;
  start(0);
  std::vector<uint32_t> map = pixels(mapTex);
  uint32_t dry = map[size_t(2 * 40 + 1) * 512 + 2 * 40 + 1];
  uint32_t wet = map[size_t(2 * 110 + 1) * 512 + 2 * 110 + 1];
  // Dry: the grey ground (0x80) with detail, lit from above at about 1.04.
  EXPECT_NEAR(channel(dry, 16), 133, 20);
  EXPECT_NEAR(channel(dry, 0), channel(dry, 16), 2);
  EXPECT_GT(channel(wet, 0), channel(wet, 16) + 30);
}

TEST_F(LandRenderTest, LandShadowQualityPicksTheShadowingVariant) {
  static const char* const variants[3] = {"QUALITY\0 0\0", "QUALITY\0 1\0", "QUALITY\0 2\0"};
  int saved = land_shadow_quality;
  slope_ground(0.5f);
  for (int q = 0; q < 3; q++) {
    land_shadow_quality = q;
    start(1);
    Shader* s = create_shader("calc_aper.sh", variants[q]);
    EXPECT_EQ(s->refcount, 2) << q;  // the renderer holds the same one
    destroy_shader(s);
    // A slope facing away from the sun sees less of the sky than flat ground would.
    uint32_t a = pixels(aperTex)[size_t(60) * 256 + 100];
    EXPECT_GT(channel(a, 16), 100) << q;
    EXPECT_LT(channel(a, 16), 250) << q;
    close_land_render();
  }
  land_shadow_quality = saved;
}
