#include "render/scene_render.h"
#include <cmath>
#include "core/debug.h"
#include "render/device.h"
#include "render/draw.h"
#include "render/draw_state.h"
#include "render/render_options.h"
#include "render/render_state.h"
#include "render/scene_image.h"
#include "render/scene_targets.h"
#include "render/scene_view.h"
#include "render/pass_timer.h"
#include "render/shaders.h"
#include "render/sky.h"
#include "render/textures.h"

bool use_wireframe = false;

namespace {
constexpr D3dColor WIREFRAME_GREY = 0xB4B4B4B4;
constexpr D3dColor GBUFFER_CLEAR = 0x00FFFFFF;
// Stencil values: 1 where the scene's geometry is, 2 where the horizon is.
constexpr int STENCIL_GEOMETRY = 1;
constexpr int STENCIL_HORIZON = 2;

ScenePasses passes = {};
Shader* final_shader = nullptr;
Shader* light_shader = nullptr;
Shader* blur_shader = nullptr;

void set_vs4(int reg, float x, float y, float z, float w) {
  float v[4] = {x, y, z, w};
  set_vs_const(reg, v, 1);
}
void set_ps4(int reg, float x, float y, float z, float w) {
  float v[4] = {x, y, z, w};
  set_ps_const(reg, v, 1);
}

// Sun and palette in both stages, fog switch and camera position: what
// every forward shader lights and fogs with.
void load_light_constants() {
  float sun[4];
  _mm_storeu_ps(sun, get_sun_constant());
  const SkyPalette& pal = get_frame_sky_palette();
  set_vs4(VS_FOG, use_fog ? 1.f : 0.f, 0, 0, 0);
  set_vs_const(VS_SUN_DIR, sun, 1);
  set_vs_const(VS_SKY_PALETTE, &pal.entry[0][0], SKY_PALETTE_SIZE);
  set_ps_const(PS_SUN_DIR, sun, 1);
  set_ps_const(PS_SKY_PALETTE, &pal.entry[0][0], SKY_PALETTE_SIZE);
  set_ps_const(PS_CAMERA_POS, cur_view_itm.m[3], 1);
  set_ps4(PS_FOG, use_fog ? 1.f : 0.f, 0, 0, 0);
}

// The state of the step the scene is drawing. Every pass it calls starts
// from it (a pass that needs more makes its own value from it), so no pass
// draws with what the one before it left.
DrawState step;

void begin_step(const DrawState& s) {
  step = s;
  apply_draw_state(step);
}

// Solid geometry marking the stencil with `mark` where it draws.
DrawState marking_geometry(const RenderTargets& targets, int mark) {
  DrawState s = draw_states::GEOMETRY;
  s.targets = targets;
  s.stencil_read = 0xFF;
  s.stencil_ref = uint8_t(mark);
  s.stencil_func = Compare::always;
  s.stencil_write = uint8_t(mark);
  s.wireframe = use_wireframe;
  return s;
}

// A full-screen pass over the scene image where the stencil compares with
// ref (read bits `read`).
DrawState stencilled_pass(const RenderTargets& targets, int read, int ref, Compare func) {
  DrawState s = draw_states::PLAIN;
  s.targets = targets;
  s.stencil_read = uint8_t(read);
  s.stencil_ref = uint8_t(ref);
  s.stencil_func = func;
  return s;
}

void draw_geometry(float dt, float k, bool with_lava) {
  if (passes.draw_land) {
    TimedPass t("land");
    apply_draw_state(step);
    passes.draw_land();
  }
  if (passes.render_objects) {
    TimedPass t("objects");
    apply_draw_state(step);
    passes.render_objects(dt);
  }
  if (passes.draw_water) {
    TimedPass t("water");
    apply_draw_state(step);
    passes.draw_water(k);
  }
  if (with_lava && passes.draw_lava) {
    TimedPass t("lava");
    apply_draw_state(step);
    passes.draw_lava(k);
  }
}

// Debug shapes and effects over the finished scene image, depth tested
// against the scene.
void draw_debug_and_effects(float dt, float k) {
  DrawState s = draw_states::GEOMETRY;
  s.targets = to_texture(scene_image, true);
  s.wireframe = use_wireframe;
  begin_step(s);
  if (passes.render_debug) {
    TimedPass t("debug");
    apply_draw_state(step);
    passes.render_debug(dt);
  }
  if (passes.render_effects) {
    TimedPass t("effects");
    apply_draw_state(step);
    passes.render_effects(dt, k);
  }
}

// Sky where the stencil is still 0 (nothing else drawn there). Its quad
// faces away from the camera, so nothing is culled.
void draw_sky_behind() {
  TimedPass t("sky");
  begin_step(stencilled_pass(to_texture(scene_image, true), 0xFF, 0, Compare::equal));
  draw_sky();
}

void render_forward(float dt, float k) {
  load_light_constants();
  begin_step(marking_geometry(to_texture(scene_image, true), STENCIL_GEOMETRY));
  if (use_wireframe) {
    clear_view(WIREFRAME_GREY);
  } else {
    TimedPass t("clear");
    clear_view_z();
  }
  draw_geometry(dt, k, true);
  if (!use_wireframe) draw_sky_behind();
  draw_debug_and_effects(dt, k);
}

// The camera's right, up and forward axes reaching the frustum's edges at
// the far distance: (x * right + y * up + forward) * depth is a pixel's
// offset from the camera.
void set_frustum_constants() {
  const Matrix44& c = cur_view_itm;
  float sx = SCENE_FAR_DIST / cur_proj_tm.m[0][0], sy = SCENE_FAR_DIST / cur_proj_tm.m[1][1];
  set_vs4(VS_FRUSTUM_RIGHT, c.m[0][0] * sx, c.m[0][1] * sx, c.m[0][2] * sx, 0);
  set_vs4(VS_FRUSTUM_UP, c.m[1][0] * sy, c.m[1][1] * sy, c.m[1][2] * sy, 0);
  set_vs4(VS_FRUSTUM_FORWARD, c.m[2][0] * SCENE_FAR_DIST, c.m[2][1] * SCENE_FAR_DIST, c.m[2][2] * SCENE_FAR_DIST, 0);
}

void point_clamped(int stage) {
  set_texture_filter(stage, false);
  set_texture_address(stage, 1, 1, 1);
}

void bind_point_clamped(int stage, Texture* tex) {
  set_texture(stage, tex);
  point_clamped(stage);
}

void render_deferred(float dt, float k) {
  Texture** g = gbuffer;
  Texture** l = low_res_textures;
  const float wd = float(scene_width()), ht = float(scene_height());
  const Matrix44& v = cur_view_tm;
  set_vs4(VS_VIEW_DEPTH, v.m[0][2] / SCENE_FAR_DIST, v.m[1][2] / SCENE_FAR_DIST, v.m[2][2] / SCENE_FAR_DIST,
          v.m[3][2] / SCENE_FAR_DIST);
  load_light_constants();

  // Geometry into G0..G2.
  begin_step(marking_geometry(to_textures(g[0], g[1], g[2], true), STENCIL_GEOMETRY));
  {
    TimedPass t("clear");
    clear_view(GBUFFER_CLEAR);
  }
  draw_geometry(dt, k, false);

  // Lava over the ground it can read from G3.
  {
    TimedPass t("lava copy");
    copy_texture(g[0], g[3]);
  }
  bind_point_clamped(8, g[3]);
  begin_step(marking_geometry(to_textures(g[0], g[1], nullptr, true), STENCIL_GEOMETRY));
  if (passes.draw_lava) passes.draw_lava(k);
  bind_point_clamped(10, g[2]);
  point_clamped(9);
  point_clamped(11);

  // Quarter-resolution colour and depth for the shadow passes.
  {
    TimedPass t("quarter copies");
    copy_texture(g[0], l[2]);
    copy_texture(g[1], l[3]);
  }
  bind_point_clamped(8, l[2]);
  bind_point_clamped(9, l[3]);

  // Object shadows into L0.
  {
    TimedPass t("object shadows");
    DrawState shadows = draw_states::PLAIN;
    shadows.targets = to_texture(l[0]);
    begin_step(shadows);
    clear_view_color(0xFFFFFFFF);
    float sun[4];
    _mm_storeu_ps(sun, get_sun_constant());
    set_ps_const(PS_SUN_DIR, sun, 1);
    set_frustum_constants();
    if (passes.start_shadows) passes.start_shadows();
    if (use_obj_shadows && passes.render_object_shadows) {
      apply_draw_state(step);
      passes.render_object_shadows(dt);
    }
    if (passes.end_shadows) {
      apply_draw_state(step);
      passes.end_shadows();
    }
  }

  // Soften the shadows: across, then down.
  DrawState blur = draw_states::PLAIN;
  blur.targets = to_texture(l[1]);
  begin_step(blur);
  set_shader(blur_shader);
  bind_point_clamped(11, l[0]);
  set_ps4(PS_BLUR_STEP, 4.f / wd, 0, 8.f / wd, 0);
  {
    TimedPass t("shadow blur");
    draw_postfx();
  }
  blur.targets = to_texture(l[0]);
  begin_step(blur);
  bind_point_clamped(11, l[1]);
  set_ps4(PS_BLUR_STEP, 0, 4.f / ht, 0, 8.f / ht);
  {
    TimedPass t("shadow blur");
    draw_postfx();
  }

  // Light the geometry into G3.
  bind_point_clamped(8, g[0]);
  bind_point_clamped(9, g[1]);
  bind_point_clamped(11, l[0]);
  set_texture_filter(11, true);
  bind_point_clamped(12, l[2]);
  bind_point_clamped(13, l[3]);
  begin_step(stencilled_pass(to_texture(g[3], true), 0xFF, 0, Compare::not_equal));
  set_frustum_constants();
  set_ps_const(PS_SKY_PALETTE, &get_frame_sky_palette().entry[0][0], SKY_PALETTE_SIZE);
  set_shader(light_shader);
  {
    TimedPass t("light");
    draw_postfx();
  }

  // Horizon and sky into the scene image. The horizon keeps its depth, so
  // effects behind its hills stay hidden.
  const RenderTargets scene = to_texture(scene_image, true);
  begin_step(marking_geometry(scene, STENCIL_HORIZON));
  if (use_wireframe) clear_view_color(WIREFRAME_GREY);
  load_light_constants();
  if (passes.draw_horizon) {
    TimedPass t("horizon");
    passes.draw_horizon();
  }
  if (!use_wireframe) draw_sky_behind();

  // The lit geometry with fog and haze, where step one drew.
  bind_point_clamped(11, g[3]);
  bind_point_clamped(8, g[0]);
  bind_point_clamped(9, g[1]);
  set_ps_const(PS_CAMERA_POS, cur_view_itm.m[3], 1);
  set_ps4(PS_FOG, use_fog ? 1.f : 0.f, 0, 0, 0);
  set_frustum_constants();
  begin_step(stencilled_pass(scene, STENCIL_GEOMETRY, STENCIL_GEOMETRY, Compare::equal));
  set_shader(final_shader);
  {
    TimedPass t("final");
    draw_postfx();
  }
  for (int stage = 8; stage <= 13; stage++) set_texture(stage, nullptr);

  load_light_constants();
  draw_debug_and_effects(dt, k);
}

void log_missing(const char* name, const void* fn) {
  if (!fn) debug("scene pass '%s' is not in the program", name);
}
}  // namespace

void set_scene_passes(const ScenePasses& p) {
  passes = p;
  log_missing("prepare_land", (const void*)p.prepare_land);
  log_missing("draw_land", (const void*)p.draw_land);
  log_missing("draw_water", (const void*)p.draw_water);
  log_missing("draw_lava", (const void*)p.draw_lava);
  log_missing("draw_horizon", (const void*)p.draw_horizon);
  log_missing("render_objects", (const void*)p.render_objects);
  log_missing("render_object_shadows", (const void*)p.render_object_shadows);
  log_missing("start_shadows", (const void*)p.start_shadows);
  log_missing("end_shadows", (const void*)p.end_shadows);
  log_missing("render_debug", (const void*)p.render_debug);
  log_missing("render_effects", (const void*)p.render_effects);
}

void init_deferred_scene() {
  create_low_res_textures();
  final_shader = create_shader("dr_final.sh", nullptr);
  light_shader = create_shader("dr_calc_light.sh", nullptr);
  blur_shader = create_shader("dr_shadow_blur.sh", nullptr);
}

void close_deferred_scene() {
  destroy_shader(final_shader);
  destroy_shader(light_shader);
  destroy_shader(blur_shader);
  final_shader = light_shader = blur_shader = nullptr;
  release_low_res_textures();
}

const DrawState& scene_pass_state() { return step; }

void scene_after_reset() {
  if (low_res_textures[0]) create_low_res_textures();
}

void render_scene(float dt) {
  float k = dt * 20.f;
  blend_sky(k);
  if (passes.prepare_land) passes.prepare_land(dt);
  publish_scene_view();
  load_view_constants();
  k = k < 0.f ? 0.f : (k > 1.f ? 1.f : k);
  if (gfx_quality == 1 && final_shader)
    render_deferred(dt, k);
  else
    render_forward(dt, k);
}
