#include <gtest/gtest.h>
#include <cmath>
#include <vector>
#include "app/app_globals.h"
#include "render/device.h"
#include "render/dyn_vb_writer.h"
#include "render/postfx.h"
#include "render/render_state.h"
#include "render/scene_image.h"
#include "render/scene_render.h"
#include "render/scene_view.h"
#include "render/shadows.h"
#include "render/sky.h"
#include "render/textures.h"
#include "tests/render/object_test_util.h"
#include "tests/render/render_test_env.h"
#include "tests/render/scene_test_data.h"

namespace {
struct TestBall {
  float x, y, z, radius;
};
std::vector<TestBall> scene_balls;

void render_test_balls(float) {
  for (const TestBall& b : scene_balls) render_shadow_ball(_mm_setr_ps(b.x, b.y, b.z, 1), b.radius);
}

// (tile x, tile y) of every tile holding balls, with the total.
int tiles_with_balls(std::vector<std::pair<int, int>>* tiles) {
  int total = 0;
  for (int y = 0; y < SHADOW_TILES_Y; y++)
    for (int x = 0; x < SHADOW_TILES_X; x++)
      if (int n = count_shadow_balls(x, y)) {
        total += n;
        if (tiles) tiles->push_back({x, y});
      }
  return total;
}

int brightness(uint32_t c) { return int((c >> 16) & 255) + int((c >> 8) & 255) + int(c & 255); }

class ShadowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    copy_game_shaders();
    ASSERT_TRUE(create_scene_image());
    init_sky();
    init_postfx();
    init_deferred_scene();
    init_test_land();
    init_shadows();
    ScenePasses passes = {};
    passes.draw_land = draw_test_land;
    passes.render_object_shadows = render_test_balls;
    passes.start_shadows = start_render_shadows;
    passes.end_shadows = end_render_shadows;
    set_scene_passes(passes);
  }
  static void TearDownTestSuite() {
    set_scene_passes(ScenePasses{});
    close_shadows();
    close_test_land();
    close_deferred_scene();
    close_postfx();
    close_sky();
    release_scene_image();
  }
  void SetUp() override {
    common_vb_writer.init(COMMON_VB_SIZE);
    gfx_quality = 1;
    use_fog = false;
    use_obj_shadows = true;
    scene_balls.clear();
    set_sun_dir(_mm_setr_ps(0, 1, 0, 0), true);
    // 16 units up: the ground's x 16..48 fills the width.
    set_top_down_view(16);
    start_render_shadows();
  }
  // Scene image pixel over ground point (x, z).
  uint32_t ground(const std::vector<uint32_t>& px, float x, float z) {
    int sx = int((x - 32) / 16 * 0.5f * float(d3d_wd) + 0.5f * float(d3d_wd));
    int sy = int(-(z - 32) / 16 * 0.5f * float(d3d_ht) + 0.5f * float(d3d_ht));
    return px[size_t(sy) * size_t(d3d_wd) + size_t(sx)];
  }
  std::vector<uint32_t> renderScene() {
    blend_sky(1);
    render_scene(0.05f);
    std::vector<uint32_t> px(size_t(d3d_wd) * size_t(d3d_ht));
    EXPECT_TRUE(read_texture_pixels(scene_image, px.data()));
    return px;
  }
};
}  // namespace

TEST_F(ShadowTest, BallsGoIntoTheTilesTheirShadowCoversInChainsOfEight) {
  for (int i = 0; i < 19; i++) render_shadow_ball(_mm_setr_ps(32, 1, 32, 1), 0.2f);
  std::vector<std::pair<int, int>> tiles;
  // The screen's centre lies on the corner of tiles 7 and 8 of row 4.
  EXPECT_EQ(tiles_with_balls(&tiles), 2 * 19);
  EXPECT_EQ(tiles, (std::vector<std::pair<int, int>>{{7, 4}, {8, 4}}));
  const ShadowTile& t = get_shadow_tile(7, 4);
  EXPECT_EQ(t.numChunks, 3);
  EXPECT_EQ(t.lastCount, 3);
  int second = get_shadow_chunk_link(t.firstChunk);
  EXPECT_EQ(get_shadow_chunk_link(second), t.lastChunk);
  EXPECT_EQ(get_shadow_chunk_link(t.lastChunk), -1);
  float ball[4];
  _mm_storeu_ps(ball, get_shadow_chunk(t.lastChunk).balls[2]);
  EXPECT_FLOAT_EQ(ball[3], 0.2f);  // the ball itself, not its shadow's sphere
  EXPECT_FLOAT_EQ(ball[1], 1.0f);

  start_render_shadows();
  EXPECT_EQ(tiles_with_balls(nullptr), 0);
  // Skipped: 112 units or more away, behind the camera, off screen, undefined.
  render_shadow_ball(_mm_setr_ps(32 + 112, 1, 32, 1), 1);
  render_shadow_ball(_mm_setr_ps(32, 30, 32, 1), 1);
  render_shadow_ball(_mm_setr_ps(32 + 60, 0, 32, 1), 1);
  render_shadow_ball(_mm_setr_ps(NAN, 0, 32, 1), 1);
  render_shadow_ball(_mm_setr_ps(32, 0, 32, 1), NAN);
  EXPECT_EQ(tiles_with_balls(nullptr), 0);
  // A shadow reaching past the screen's edge ends in the last column.
  tiles.clear();
  render_shadow_ball(_mm_setr_ps(52, 0, 32, 1), 2);
  ASSERT_GT(tiles_with_balls(&tiles), 0);
  for (auto [x, y] : tiles) EXPECT_GE(x, 8);
  EXPECT_EQ(tiles.back().first, SHADOW_TILES_X - 1);
  // Seen from high up, a ball just within reach counts.
  start_render_shadows();
  set_top_down_view(200);
  render_shadow_ball(_mm_setr_ps(32 + 111, 0, 32, 1), 1);
  EXPECT_EQ(tiles_with_balls(nullptr), 1);
}

TEST_F(ShadowTest, TheSunSetsWhereTheShadowFallsAndTheGroundBesideStaysLit) {
  std::vector<uint32_t> bare = renderScene();
  // A sun from +x, 45 degrees up, throws the ball's shadow towards -x.
  const float suns[2][3] = {{0, 1, 0}, {0.7071f, 0.7071f, 0}};
  const float shadow_x[2] = {32, 26};
  for (int s = 0; s < 2; s++) {
    set_sun_dir(_mm_setr_ps(suns[s][0], suns[s][1], suns[s][2], 0), true);
    bare = renderScene();
    scene_balls = {{32, 6, 32, 3}};
    std::vector<uint32_t> shaded = renderScene();
    scene_balls.clear();
    int under = brightness(ground(shaded, shadow_x[s], 32)), open = brightness(ground(bare, shadow_x[s], 32));
    EXPECT_LT(under, open * 85 / 100) << "sun " << s;
    // Beside the shadow, on the sun's side and across: as without the ball.
    for (float x : {shadow_x[s] + 11, shadow_x[s] - 9})
      EXPECT_NEAR(brightness(ground(shaded, x, 32)), brightness(ground(bare, x, 32)), 6) << "sun " << s << " x " << x;
    EXPECT_NEAR(brightness(ground(shaded, shadow_x[s], 44)), brightness(ground(bare, shadow_x[s], 44)), 6);
  }
}
