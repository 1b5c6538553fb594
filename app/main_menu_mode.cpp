#include "app/main_menu_mode.h"
#include <cmath>
#include "app/app_globals.h"
#include "app/app_keys.h"
#include "app/camera.h"
#include "app/game_mode.h"
#include "gameobj_host/gameobj_functions.h"
#include "sound/music.h"
#include "terrain/heightmap_data.h"
#include "terrain/noise.h"

AttractFlight attract;

namespace {
// Height of the highest land or fluid under the square of half size r
// around p, relative to p.
float surface_above(__m128 p, float r) { return _mm_cvtss_f32(HeightmapData::calcSquareDepth(p, r, true)); }

float clamp_abs(float v, float r) { return fminf(fmaxf(v, -r), r); }

float wrap_into_world(float v) {
  float q = v / WORLD_PERIOD + 16.f;
  return WORLD_PERIOD * (q - floorf(q));
}

// A slow wander: a few octaves of 1-D noise over the flight clock.
float wander_yaw_target() {
  float u = 0.1f * attract.clock;
  float n = noise1(u);
  float a = 0.5f, f = 2.f * u + 0.5f;
  for (int i = 0; i < 5; i++) {
    n += a * noise1(f);
    a /= 2.f;
    f = 2.f * f + 0.5f;
  }
  return 0.04f * n;
}

// Pitch towards a clearance of 5 to 15 units under a point 10 units ahead.
float terrain_pitch_target(__m128 ahead) {
  float d = surface_above(_mm_sub_ps(_mm_add_ps(camera.pos, ahead), _mm_setr_ps(0, 5, 0, 0)), 10.f);
  if (!(d > 0.f || d < -10.f)) return 0.f;
  if (d < 0.f) d = -10.f;
  alignas(16) float a[4];
  _mm_store_ps(a, ahead);
  return atan2f(d + a[1], 10.f) - camera.pitch;
}

class MainMenuMode : public GameMode {
public:
  void enter(GameMode*) override {
    camera.pos = _mm_setr_ps(0, 0, 0, 1);
    float lift = surface_above(_mm_setr_ps(0, -5, 0, 1), 5.f);
    camera.pos = _mm_add_ps(camera.pos, _mm_setr_ps(0, lift, 0, 0));
    camera.prevPos = camera.pos;
    camera.yaw = camera.pitch = camera.roll = 0.f;
    attract = AttractFlight{};
    if (gameobj_functions.open_main_menu) gameobj_functions.open_main_menu();
    play_script_music("music_menu");
  }
  void leave(GameMode*) override {
    if (gameobj_functions.close_game_menu) gameobj_functions.close_game_menu();
  }
  void update(float dt) override {
    begin_camera_update(dt);
    attract.prevYawSum = attract.yawSum;
    camera.yaw = attract.yawSum;
    attract.prevPitchSum = attract.pitchSum;
    camera.pitch = attract.pitchSum;
    attract.clock += dt;
    handle_app_keys();
    if (cur_game_mode != this) return;  // a key left the menu

    __m128 forward = matrix_row(get_camera_matrix(dt), 2);
    camera.pos = _mm_add_ps(camera.pos, _mm_mul_ps(_mm_set1_ps(ATTRACT_FLIGHT_SPEED * dt), forward));
    float yaw_target = wander_yaw_target();
    float pitch_target = terrain_pitch_target(_mm_mul_ps(_mm_set1_ps(10.f), forward));
    float r = 0.5f * dt;
    yaw_target = clamp_abs(yaw_target, r);
    pitch_target = clamp_abs(pitch_target, r);
    attract.pitchRate += (pitch_target - attract.pitchRate) * 0.2f;
    attract.pitchSum += attract.pitchRate;
    attract.yawRate += (yaw_target - attract.yawRate) * 0.2f;
    attract.yawSum += attract.yawRate;
    camera.roll = -10.f * attract.yawRate;

    float g = surface_above(_mm_sub_ps(camera.pos, _mm_setr_ps(0, 0.5f, 0, 0)), 0.5f);
    alignas(16) float p[4];
    _mm_store_ps(p, camera.pos);
    if (g > 0.f) p[1] += g;
    p[0] = wrap_into_world(p[0]);
    p[2] = wrap_into_world(p[2]);
    camera.pos = _mm_load_ps(p);

    cur_view_itm = get_camera_matrix(dt);
    if (gameobj_functions.update_game_menu) gameobj_functions.update_game_menu(dt);
    // The world step refreshes the land as play does; a whole refresh every
    // update would relight all the moving water each time.
    step_world(dt, false);
    if (take_menu_close_request()) set_game_mode(universe_mode);
  }
  void render(float dt) override {
    float s = UPDATES_PER_SECOND * dt;
    camera.yaw = attract.prevYawSum + (attract.yawSum - attract.prevYawSum) * s;
    camera.pitch = attract.prevPitchSum + (attract.pitchSum - attract.prevPitchSum) * s;
    draw_world_view(dt);
  }
  void renderOverlay(float dt) override {
    if (gameobj_functions.draw_game_menu) gameobj_functions.draw_game_menu(dt);
  }
};

MainMenuMode main_menu_instance;
}  // namespace

GameMode* main_menu_mode = &main_menu_instance;
