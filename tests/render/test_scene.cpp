#include <gtest/gtest.h>
#include <cmath>
#include <vector>
#include "app/app_globals.h"
#include "data/shader_constants.h"
#include "render/device.h"
#include "render/draw.h"
#include "render/postfx.h"
#include "render/render_state.h"
#include "render/scene_image.h"
#include "render/scene_render.h"
#include "render/scene_targets.h"
#include "render/shaders.h"
#include "render/sky.h"
#include "render/textures.h"
#include "tests/render/render_test_env.h"
#include "tests/render/scene_test_data.h"

namespace {
int channel(uint32_t c, int shift) { return int((c >> shift) & 255); }

std::vector<uint32_t> pixels_of(Texture* tex) {
  std::vector<uint32_t> px(size_t(texture_width(tex)) * size_t(texture_height(tex)));
  EXPECT_TRUE(read_texture_pixels(tex, px.data()));
  return px;
}

// A camera 10 units above the plane looking along +z: the plane fills the
// lower half of the frame, the sky the upper.
void set_test_camera() {
  Matrix44 view = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, -10, 0, 1}}};
  set_view_tm(view);
  set_proj_tm(1.2915436f, float(d3d_wd) / float(d3d_ht), 0.1f, 512.f);
}

class SceneTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    copy_scene_data_files();
    ASSERT_TRUE(create_scene_image());
    init_sky();
    init_postfx();
    init_deferred_scene();
    init_test_land();
    ScenePasses passes = {};
    passes.draw_land = draw_test_land;
    set_scene_passes(passes);
  }
  static void TearDownTestSuite() {
    set_scene_passes(ScenePasses{});
    close_test_land();
    close_deferred_scene();
    close_postfx();
    close_sky();
    release_scene_image();
  }
  void SetUp() override {
    use_wireframe = false;
    use_fog = true;
    use_postfx = true;
    use_ppaa = false;
    set_sun_dir(_mm_setr_ps(0.3f, 1.f, 0.2f, 0.f), true);
    set_test_camera();
  }
  void TearDown() override {
    use_wireframe = false;
    gfx_quality = 1;
  }
  std::vector<uint32_t> renderAt(int quality) {
    gfx_quality = quality;
    render_scene(0.05f);
    return pixels_of(scene_image);
  }
  uint32_t at(const std::vector<uint32_t>& px, int x, int y) { return px[size_t(y) * size_t(d3d_wd) + size_t(x)]; }
};
}  // namespace

TEST_F(SceneTest, SkyAboveAndLitLandBelowAtBothQualities) {
  const SkyPalette& pal = get_frame_sky_palette();
  float sun[4];
  _mm_storeu_ps(sun, get_frame_sun_dir());
  const float albedo[3] = {0.2f, 0.6f, 0.2f};
  int expected[3];
  for (int c = 0; c < 3; c++)
    expected[c] = int(lroundf(255.f * albedo[c] * (pal.entry[0][c] + pal.entry[1][c] * sun[1])));
  uint32_t land[2];
  for (int q = 0; q < 2; q++) {
    std::vector<uint32_t> px = renderAt(q);
    uint32_t sky = at(px, d3d_wd / 2, 1);
    land[q] = at(px, d3d_wd / 2, d3d_ht - 1);
    // Noon: blue sky over green, sunlit ground.
    EXPECT_GT(channel(sky, 0), channel(sky, 16) + 30) << "quality " << q;
    EXPECT_NEAR(channel(land[q], 16), expected[0], 8) << "quality " << q;
    EXPECT_NEAR(channel(land[q], 8), expected[1], 8) << "quality " << q;
    EXPECT_NEAR(channel(land[q], 0), expected[2], 8) << "quality " << q;
  }
  // Both pipelines light alike.
  for (int shift : {0, 8, 16}) EXPECT_NEAR(channel(land[0], shift), channel(land[1], shift), 6);
}

TEST_F(SceneTest, SkyIsDrawnWhateverCullingThePassesBeforeLeftOn) {
  // The game's object and water passes leave culling on; a culled sky quad
  // would keep the last frame's pixels behind everything that moves.
  ScenePasses passes = {};
  passes.draw_land = draw_test_land;
  passes.draw_water = [](float) { set_cull_mode(1); };
  set_scene_passes(passes);
  for (int q = 0; q < 2; q++) {
    set_render_target(scene_image, 0, true);
    clear_view_color(0xFFFF00FF);
    std::vector<uint32_t> px = renderAt(q);
    uint32_t sky = at(px, d3d_wd / 2, 1);
    EXPECT_GT(channel(sky, 0), channel(sky, 16) + 30) << "quality " << q;
    EXPECT_LT(channel(sky, 16), 200) << "quality " << q;
  }
  passes.draw_water = nullptr;
  set_scene_passes(passes);
}

TEST_F(SceneTest, FarLandFadesTowardsTheSkyBehindIt) {
  for (int q = 0; q < 2; q++) {
    std::vector<uint32_t> px = renderAt(q);
    // Just below the horizon the ground is hundreds of units away.
    int y = d3d_ht / 2 + 1;
    uint32_t near_land = at(px, d3d_wd / 2, d3d_ht - 1), far_land = at(px, d3d_wd / 2, y);
    EXPECT_GT(channel(far_land, 0), channel(near_land, 0) + 20) << "quality " << q;
  }
}

TEST_F(SceneTest, WireframeShowsGreyInsteadOfSky) {
  use_wireframe = true;
  for (int q = 0; q < 2; q++) {
    std::vector<uint32_t> px = renderAt(q);
    EXPECT_EQ(at(px, 0, 0) & 0xFFFFFF, 0xB4B4B4u) << "quality " << q;
    EXPECT_EQ(at(px, d3d_wd / 2, 2) & 0xFFFFFF, 0xB4B4B4u) << "quality " << q;
  }
}

TEST_F(SceneTest, ComposeWithoutPostEffectCopiesTheSceneImage) {
  std::vector<uint32_t> scene = renderAt(0);
  use_postfx = false;
  compose_frame();
  std::vector<uint32_t> back(scene.size());
  read_back_buffer_pixels(back.data());
  for (size_t i = 0; i < scene.size(); i++) ASSERT_EQ(back[i] & 0xFFFFFF, scene[i] & 0xFFFFFF) << "pixel " << i;
  // The post-effect keeps the picture but changes its tones.
  use_postfx = true;
  postfx_frame_tint = _mm_setr_ps(1.f, 0.f, 0.f, 1.f);
  compose_frame();
  postfx_frame_tint = _mm_setzero_ps();
  read_back_buffer_pixels(back.data());
  EXPECT_EQ(back[0] & 0xFFFFFF, 0xFF0000u);
}

TEST_F(SceneTest, MlaaChangesOnlyPixelsOnEdges) {
  // A slanted white triangle on black: long staircase edges.
  set_render_target(scene_image, 0, false);
  reset_render_state();
  clear_view_color(0xFF000000);
  const float tri[9] = {-0.9f, -0.8f, 0.f, 0.9f, -0.2f, 0.f, -0.9f, 0.7f, 0.f};
  draw_flat_triangles(tri, 1, 1.f);
  std::vector<uint32_t> before = pixels_of(scene_image);
  Texture* old_image = scene_image;
  apply_mlaa();
  EXPECT_NE(scene_image, old_image);
  std::vector<uint32_t> after = pixels_of(scene_image);
  int w = d3d_wd, h = d3d_ht, changed = 0;
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      uint32_t b = before[size_t(y * w + x)] & 0xFFFFFF, a = after[size_t(y * w + x)] & 0xFFFFFF;
      bool on_edge = false;
      for (int dy = -1; dy <= 1; dy++)
        for (int dx = -1; dx <= 1; dx++) {
          int nx = x + dx, ny = y + dy;
          if (nx >= 0 && ny >= 0 && nx < w && ny < h && (before[size_t(ny * w + nx)] & 0xFFFFFF) != b) on_edge = true;
        }
      if (!on_edge) {
        ASSERT_EQ(a, b) << "pixel " << x << "," << y << " away from edges changed";
      } else if (a != b) {
        changed++;
        EXPECT_GT(channel(a, 8), 0);
        EXPECT_LT(channel(a, 8), 255);
      }
    }
  EXPECT_GT(changed, 20);
}

namespace {
// An object shadow over the left half of the frame.
void shadow_left_half(float) {
  const float left[18] = {-1, -1, 0, 0, -1, 0, -1, 1, 0, 0, -1, 0, 0, 1, 0, -1, 1, 0};
  draw_flat_triangles(left, 2, 0.f);
}
}  // namespace

TEST_F(SceneTest, ObjectShadowsTakeSunlightFromTheLandInTheDeferredPipeline) {
  ScenePasses passes = {};
  passes.draw_land = draw_test_land;
  passes.render_object_shadows = shadow_left_half;
  set_scene_passes(passes);
  std::vector<uint32_t> px = renderAt(1);
  uint32_t shaded = at(px, d3d_wd / 4, d3d_ht - 2), sunlit = at(px, d3d_wd * 3 / 4, d3d_ht - 2);
  EXPECT_LT(channel(shaded, 8), channel(sunlit, 8) - 40);
  EXPECT_GT(channel(shaded, 8), 20);  // the sky's light remains
  use_obj_shadows = false;
  px = renderAt(1);
  EXPECT_NEAR(channel(at(px, d3d_wd / 4, d3d_ht - 2), 8), channel(at(px, d3d_wd * 3 / 4, d3d_ht - 2), 8), 2);
  use_obj_shadows = true;
  passes.render_object_shadows = nullptr;
  set_scene_passes(passes);
}

TEST_F(SceneTest, QuarterResolutionTexturesFollowTheSizeAndExistOnlyAtHighQuality) {
  set_device_reset_hook(scene_after_reset);
  ASSERT_TRUE(reset_d3d(90, 50, false, false));
  EXPECT_EQ(texture_width(low_res_textures[0]), 22);
  EXPECT_EQ(texture_height(low_res_textures[3]), 12);
  ASSERT_TRUE(reset_d3d(64, 48, false, false));
  EXPECT_EQ(texture_width(low_res_textures[1]), 16);
  close_deferred_scene();
  for (Texture* t : low_res_textures) EXPECT_EQ(t, nullptr);
  scene_after_reset();
  EXPECT_EQ(low_res_textures[0], nullptr);
  // Without them the forward pipeline still draws the scene.
  set_test_camera();
  std::vector<uint32_t> px = renderAt(0);
  EXPECT_GT(channel(at(px, d3d_wd / 2, d3d_ht - 1), 8), 60);
  init_deferred_scene();
  set_device_reset_hook(nullptr);
}

TEST_F(SceneTest, WarpShaderDistortsThePreviousFrameOnlyWhenTimeMoves) {
  set_render_target(scene_image, 0, false);
  reset_render_state();
  clear_view_color(0xFF000000);
  const float tri[9] = {-0.6f, -0.5f, 0.f, 0.7f, -0.1f, 0.f, -0.2f, 0.8f, 0.f};
  draw_flat_triangles(tri, 1, 1.f);
  std::vector<uint32_t> frame = pixels_of(scene_image);
  Shader* warp = create_shader("warpEffect.sh", nullptr);
  auto warped = [&](float step, float total) {
    set_render_target(gbuffer[1], 0, false);
    set_shader(warp);
    set_texture(0, scene_image);
    set_texture_filter(0, false);
    float c[4] = {step, total, 0, 0};
    set_ps_const(PS_WARP_TIME, c, 1);
    draw_postfx();
    set_texture(0, nullptr);
    return pixels_of(gbuffer[1]);
  };
  EXPECT_EQ(warped(0.f, 0.3f), frame);
  std::vector<uint32_t> moved = warped(0.05f, 0.3f);
  int differing = 0;
  for (size_t i = 0; i < frame.size(); i++) differing += moved[i] != frame[i];
  EXPECT_GT(differing, int(frame.size()) / 10);
  destroy_shader(warp);
}

TEST_F(SceneTest, AtHalfRenderScaleTheSceneIsDrawnSmallAndStillFillsTheWindow) {
  set_device_reset_hook(scene_after_reset);
  set_scene_render_scale(30);  // below the least: taken as the least
  EXPECT_EQ(scene_render_scale, SCENE_SCALE_MIN);
  EXPECT_EQ(texture_width(scene_image), (d3d_wd + 1) / 2);
  EXPECT_EQ(texture_width(low_res_textures[0]), scene_width() / 4);
  set_test_camera();
  renderAt(0);
  use_postfx = false;
  compose_frame();
  std::vector<uint32_t> back(size_t(d3d_wd) * size_t(d3d_ht));
  read_back_buffer_pixels(back.data());
  // Land fills the bottom row to the right edge, sky the top row.
  EXPECT_GT(channel(at(back, d3d_wd - 1, d3d_ht - 1), 8), 60);
  EXPECT_GT(channel(at(back, d3d_wd - 1, 0), 0), channel(at(back, d3d_wd - 1, 0), 16));
  set_scene_render_scale(100);
  EXPECT_EQ(texture_width(scene_image), d3d_wd);
  set_device_reset_hook(nullptr);
}
