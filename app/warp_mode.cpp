#include "app/warp_mode.h"
#include "app/camera.h"
#include "app/game_mode.h"
#include "app/splash.h"
#include "core/debug.h"
#include "data/shader_constants.h"
#include "render/device.h"
#include "render/draw.h"
#include "render/render_state.h"
#include "render/scene_image.h"
#include "render/shaders.h"
#include "render/textures.h"
#include "script/universe.h"

WarpState warp;

namespace {
constexpr float MIN_EFFECT_STEP = 0.01f;  // seconds
Shader* warp_shader = nullptr;

void distort_last_frame(float dt) {
  set_back_buffer_target();
  set_wireframe(false);
  set_shader(warp_shader);
  float step = dt - warp.lastStepTime;
  if (step >= MIN_EFFECT_STEP) {
    warp.lastStepTime = dt;
    warp.accumulated += step;
  } else {
    step = 0.f;
  }
  set_texture(0, scene_image);
  const float mapping[4] = {0.5f, -0.5f, 0.5f + 0.5f / float(d3d_wd), 0.5f + 0.5f / float(d3d_ht)};
  const float time[4] = {step, warp.accumulated, 0.f, 0.f};
  set_vs_const(VS_QUAD_MAPPING, mapping, 1);
  set_ps_const(PS_WARP_TIME, time, 1);
  draw_postfx();
  grab_scene_image();
}

class WarpMode : public GameMode {
public:
  void enter(GameMode*) override { warp = WarpState{WARP_DURATION, 0.f, 0.f, true}; }
  void leave(GameMode*) override {}
  void update(float dt) override {
    warp.lastStepTime -= dt;
    warp.remaining -= dt;
    if (warp.remaining <= 0.f) leave_world();
  }
  void render(float dt) override {
    if (warp.firstFrame) {
      warp.firstFrame = false;
      draw_world_view(1.f / UPDATES_PER_SECOND);
      if (scene_image && !grab_back_buffer(scene_image)) debug("error: scene image grab failed!");
      return;
    }
    // Without its shader the effect holds the last picture.
    if (warp_shader && scene_image) distort_last_frame(dt);
  }
  void renderOverlay(float) override {}
};

WarpMode warp_instance;
}  // namespace

GameMode* warp_mode = &warp_instance;

void init_warp_effect() {
  if (!warp_shader) warp_shader = create_shader("warpEffect.sh", nullptr);
}

void close_warp_effect() {
  if (warp_shader) destroy_shader(warp_shader);
  warp_shader = nullptr;
}
