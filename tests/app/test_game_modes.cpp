// Game modes and the camera, driven through the real input queue and fixed
// updates, without a window, a renderer or the game-object module.
#include <gtest/gtest.h>
#include <cmath>
#include "app/app_globals.h"
#include "app/camera.h"
#include "app/controls.h"
#include "app/fly_control.h"
#include "app/game_mode.h"
#include "app/input.h"
#include "app/main_menu_mode.h"
#include "gameobj_host/module_state.h"
#include "render/device.h"
#include "terrain/heightmap_data.h"
#include "terrain/noise.h"
#include "tests/app/app_test_env.h"

namespace {
constexpr float STEP = 0.05f;
constexpr float PI = 3.14159265358979f;

void press(int vk) { push_input_event(INPUT_KEY_DOWN, vk, 0, 0, 0, 0); }
void release(int vk) { push_input_event(INPUT_KEY_UP, vk, 0, 0, 0, 0); }
void tap(int vk) {
  press(vk);
  release(vk);
}
// One fixed update of the current mode; the input is used up after it.
void update() {
  cur_game_mode->update(STEP);
  clear_input();
}
float lane(__m128 v, int i) {
  alignas(16) float f[4];
  _mm_store_ps(f, v);
  return f[i];
}

class GameModeTest : public ::testing::Test {
protected:
  void SetUp() override {
    home = make_test_config_home();
    init_controls();
    clear_input();
    isAppActive = true;
    d3d_wd = 640;
    d3d_ht = 360;
    set_input_replay(true);
    set_replayed_mouse_over(true);
    HeightmapData::reset();
    reseed_noise();
    init_game_modes();
    should_close_game_menu = false;
    camera.yaw = camera.pitch = camera.roll = 0;
    set_camera_pos(_mm_setr_ps(10, 20, 30, 1));
    reset_fly_control();
  }
  void TearDown() override {
    close_game_modes();
    set_input_replay(false);
    clear_input();
    isAppActive = false;
    remove_folder(home);
  }
  std::string home;
};

struct CountingMode : GameMode {
  int enters = 0, leaves = 0;
  void enter(GameMode*) override { enters++; }
  void leave(GameMode*) override { leaves++; }
  void update(float) override {}
  void render(float) override {}
  void renderOverlay(float) override {}
};
}  // namespace

TEST_F(GameModeTest, SwitchingToTheCurrentModeNeitherLeavesNorEnters) {
  CountingMode a, b;
  set_game_mode(&a);
  set_game_mode(&a);
  EXPECT_EQ(a.enters, 1);
  EXPECT_EQ(a.leaves, 0);
  set_game_mode(&b);
  EXPECT_EQ(a.leaves, 1);
  EXPECT_EQ(b.enters, 1);
}

TEST_F(GameModeTest, F9AndEscapeFollowTheModeRules) {
  set_game_mode(main_menu_mode);
  tap(VK_ESCAPE);
  update();
  EXPECT_EQ(cur_game_mode, main_menu_mode) << "Esc does nothing in the main menu";
  tap(VK_F9);
  update();
  EXPECT_EQ(cur_game_mode, dev_mode);
  tap(VK_F9);
  update();
  EXPECT_EQ(cur_game_mode, play_mode);
  // Development mode came before play; closing the menu still returns to play.
  tap(VK_ESCAPE);
  update();
  EXPECT_EQ(cur_game_mode, game_menu_mode);
  update();
  EXPECT_EQ(cur_game_mode, game_menu_mode) << "the menu stays until the module closes it";
  should_close_game_menu = true;
  update();
  EXPECT_EQ(cur_game_mode, play_mode);
  EXPECT_FALSE(should_close_game_menu) << "the request is used up";
  // Keys do nothing while the window is inactive.
  isAppActive = false;
  tap(VK_F9);
  update();
  EXPECT_EQ(cur_game_mode, play_mode);
}

TEST_F(GameModeTest, DoubleTapDashesOnlyWithinTheWindow) {
  set_game_mode(play_mode);
  press('W');
  update();
  EXPECT_EQ(camera.dash, 0);
  EXPECT_NEAR(camera.hspeed, PLAY_MOVE_SPEED * STEP, 1e-5f);
  release('W');
  update();
  update();
  press('W');  // 0.15 s after the first press
  update();
  EXPECT_EQ(camera.dash, 1);
  EXPECT_NEAR(camera.hspeed, 2 * PLAY_MOVE_SPEED * STEP, 1e-5f) << "a dash flies at twice the speed";
  release('W');
  update();
  EXPECT_EQ(camera.dash, 1) << "the dash goes on without the key";
  EXPECT_NEAR(camera.hspeed, 2 * PLAY_MOVE_SPEED * STEP, 1e-5f);
  for (int i = 0; i < 4; i++) update();
  press('W');  // 0.25 s after the previous press
  update();
  EXPECT_EQ(camera.dash, 0) << "a late press ends the dash";
  release('W');
  update();
  press('S');
  update();
  release('S');
  update();
  press('S');
  update();
  EXPECT_EQ(camera.dash, -1);
}

TEST_F(GameModeTest, CrossingTheWorldEdgeInterpolatesThroughTheEdge) {
  set_camera_pos(_mm_setr_ps(255.9f, 5, 0.f, 1));
  begin_camera_update(STEP);
  camera.pos = _mm_setr_ps(0.1f, 5, 255.9f, 1);
  Matrix44 half = get_camera_matrix(STEP / 2);
  EXPECT_NEAR(half.m[3][0], 256.f, 1e-3f);
  EXPECT_NEAR(half.m[3][2], -0.05f, 1e-3f) << "z crosses the other way, through 0";
  Matrix44 full = get_camera_matrix(STEP);
  EXPECT_NEAR(full.m[3][0], 256.1f, 1e-3f);
  EXPECT_NEAR(full.m[3][1], 5.f, 1e-5f);
}

TEST_F(GameModeTest, MouseLookKeepsYawAndPitchInRange) {
  set_game_mode(dev_mode);
  // Each frame re-centres the mouse; the hand moves it again before the next.
  for (int i = 0; i < 500; i++) {
    push_input_event(INPUT_MOUSE_MOVE, 0, 0, 0, 639, 359);
    update_dev_mouse(0.01f);
  }
  EXPECT_GT(camera.yaw, -2 * PI);
  EXPECT_LT(camera.yaw, 2 * PI);
  EXPECT_FLOAT_EQ(camera.pitch, -PI / 2);
  EXPECT_TRUE(shouldHideMouse);
  for (int i = 0; i < 500; i++) {
    push_input_event(INPUT_MOUSE_MOVE, 0, 0, 0, 0, 0);
    update_dev_mouse(0.01f);
  }
  EXPECT_GT(camera.yaw, -2 * PI);
  EXPECT_LT(camera.yaw, 2 * PI);
  EXPECT_FLOAT_EQ(camera.pitch, PI / 2);
  // Leaving the window releases the mouse.
  set_replayed_mouse_over(false);
  update_dev_mouse(0.01f);
  EXPECT_FALSE(camera.mouseCaptured);
  EXPECT_FALSE(shouldHideMouse);
}

TEST_F(GameModeTest, MiddleButtonZoomsInAndOutAtTheZoomRate) {
  set_game_mode(dev_mode);
  push_input_event(INPUT_BUTTON_DOWN, VK_MBUTTON, 0, 0, 320, 180);
  update();
  EXPECT_FLOAT_EQ(camera.zoom, 2.f);
  EXPECT_NEAR(get_camera_fov(STEP), CAMERA_FOV / 2, 1e-6f) << "zoom 2 halves the field of view";
  for (int i = 0; i < 6; i++) update();
  EXPECT_FLOAT_EQ(camera.zoom, 8.f) << "after 0.35 s";
  update();
  EXPECT_FLOAT_EQ(camera.zoom, 8.f) << "the limit";
  push_input_event(INPUT_BUTTON_UP, VK_MBUTTON, 0, 0, 320, 180);
  update();
  EXPECT_FLOAT_EQ(camera.zoom, 7.f);
  for (int i = 0; i < 8; i++) update();
  EXPECT_FLOAT_EQ(camera.zoom, 1.f);
}

TEST_F(GameModeTest, AttractFlightSettlesAboveFlatLand) {
  set_game_mode(main_menu_mode);
  EXPECT_FLOAT_EQ(lane(camera.pos, 1), 5.f) << "enters 5 units above the land";
  float lowest = 1e9f, highest = -1e9f, steepest = 0.f;
  for (int i = 0; i < 2000; i++) {
    float pitch = attract.pitchSum;
    update();
    steepest = fmaxf(steepest, fabsf(attract.pitchSum - pitch));
    if (i >= 400) {
      lowest = fminf(lowest, lane(camera.pos, 1));
      highest = fmaxf(highest, lane(camera.pos, 1));
    }
  }
  EXPECT_LE(steepest, 0.025f + 1e-6f);
  EXPECT_GE(lowest, 5.f);
  EXPECT_LE(highest, 15.f);
  EXPECT_GE(lane(camera.pos, 0), 0.f);
  EXPECT_LT(lane(camera.pos, 0), 256.f);

  // Far too high: the flight pitches down; far too low: up.
  camera.pos = _mm_setr_ps(10, 60, 10, 1);
  for (int i = 0; i < 10; i++) update();
  EXPECT_LT(attract.pitchRate, 0.f);
  HeightmapData::addWaterEverywhere(58.f);
  for (int i = 0; i < 10; i++) update();
  EXPECT_GT(attract.pitchRate, 0.f);
  EXPECT_GE(lane(camera.pos, 1), 58.5f) << "never below the surface";
}

TEST_F(GameModeTest, WarpLeavesTheWorldInItsTwentiethUpdate) {
  set_game_mode(warp_mode);
  for (int i = 0; i < 19; i++) update();
  EXPECT_EQ(cur_game_mode, warp_mode);
  update();
  EXPECT_EQ(cur_game_mode, play_mode) << "without a universe, leaving goes to a new world in play";
}

TEST_F(GameModeTest, FrameTintFadesEachUpdate) {
  cur_frame_color = _mm_setr_ps(-1.f, 0.5f, 2.f, 1.f);
  begin_camera_update(STEP);
  EXPECT_FLOAT_EQ(lane(cur_frame_color, 0), 0.f);
  EXPECT_FLOAT_EQ(lane(cur_frame_color, 2), 2.f);
  EXPECT_FLOAT_EQ(lane(cur_frame_color, 3), 1.f * (1 - STEP / 2) - STEP / 2);
  EXPECT_FLOAT_EQ(lane(camera.prevFrameColor, 3), 1.f);
  for (int i = 0; i < 100; i++) begin_camera_update(STEP);
  EXPECT_FLOAT_EQ(lane(cur_frame_color, 3), 0.f);
}
