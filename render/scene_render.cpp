#include "render/scene_render.h"
#include <cmath>
#include "core/debug.h"
#include "render/device.h"
#include "render/draw.h"
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
constexpr int STENCIL_ALWAYS = 8, STENCIL_EQUAL = 3, STENCIL_NOT_EQUAL = 6;

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

void draw_geometry(float dt, float k, bool with_lava) {
  if (passes.draw_land) {
    TimedPass t("land");
    passes.draw_land();
  }
  if (passes.render_objects) {
    TimedPass t("objects");
    passes.render_objects(dt);
  }
  if (passes.draw_water) {
    TimedPass t("water");
    passes.draw_water(k);
  }
  if (with_lava && passes.draw_lava) {
    TimedPass t("lava");
    passes.draw_lava(k);
  }
}

void draw_debug_and_effects(float dt, float k) {
  if (passes.render_debug) {
    TimedPass t("debug");
    passes.render_debug(dt);
  }
  if (passes.render_effects) {
    TimedPass t("effects");
    passes.render_effects(dt, k);
  }
}

// Sky where the stencil is still 0 (nothing else drawn there).
void draw_sky_behind() {
  TimedPass t("sky");
  set_stencil_test(0xFF, 0, STENCIL_EQUAL);
  draw_sky();
}

void render_forward(float dt, float k) {
  load_light_constants();
  set_render_target(scene_image, 0, true);
  set_zenable(true);
  set_zwrite(true);
  if (use_wireframe) {
    clear_view(WIREFRAME_GREY);
    set_wireframe(true);
  } else {
    TimedPass t("clear");
    clear_view_z();
  }
  set_stencil_test(0xFF, STENCIL_GEOMETRY, STENCIL_ALWAYS);
  set_stencil_replace_bits(STENCIL_GEOMETRY);
  draw_geometry(dt, k, true);

  set_stencil_test(0, 0, STENCIL_ALWAYS);
  set_wireframe(false);
  set_zenable(false);
  set_zwrite(false);
  set_stencil_replace_bits(0);
  if (!use_wireframe) draw_sky_behind();

  set_stencil_test(0, 0, STENCIL_ALWAYS);
  set_zenable(true);
  set_zwrite(true);
  set_wireframe(use_wireframe);
  draw_debug_and_effects(dt, k);
  set_wireframe(false);
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
  set_render_target(g[0], 0, true);
  set_render_target(g[1], 1, false);
  set_render_target(g[2], 2, false);
  set_zenable(true);
  set_zwrite(true);
  set_wireframe(use_wireframe);
  {
    TimedPass t("clear");
    clear_view(GBUFFER_CLEAR);
  }
  set_stencil_test(0xFF, STENCIL_GEOMETRY, STENCIL_ALWAYS);
  set_stencil_replace_bits(STENCIL_GEOMETRY);
  draw_geometry(dt, k, false);

  // Lava over the ground it can read from G3.
  {
    TimedPass t("lava copy");
    copy_texture(g[0], g[3]);
  }
  bind_point_clamped(8, g[3]);
  set_render_target(nullptr, 2, false);
  if (passes.draw_lava) passes.draw_lava(k);
  set_render_target(nullptr, 1, false);
  bind_point_clamped(10, g[2]);
  point_clamped(9);
  point_clamped(11);
  set_wireframe(false);
  set_stencil_test(0, 0, STENCIL_ALWAYS);
  set_stencil_replace_bits(0);

  // Quarter-resolution colour and depth for the shadow passes.
  {
    TimedPass t("quarter copies");
    copy_texture(g[0], l[2]);
    copy_texture(g[1], l[3]);
  }
  bind_point_clamped(8, l[2]);
  bind_point_clamped(9, l[3]);
  set_zenable(false);
  set_zwrite(false);

  // Object shadows into L0.
  {
    TimedPass t("object shadows");
    set_render_target(l[0], 0, false);
    clear_view_color(0xFFFFFFFF);
    float sun[4];
    _mm_storeu_ps(sun, get_sun_constant());
    set_ps_const(PS_SUN_DIR, sun, 1);
    set_frustum_constants();
    if (passes.start_shadows) passes.start_shadows();
    if (use_obj_shadows && passes.render_object_shadows) passes.render_object_shadows(dt);
    if (passes.end_shadows) passes.end_shadows();
  }

  // Soften the shadows: across, then down.
  set_blend_none();
  set_shader(blur_shader);
  set_render_target(l[1], 0, false);
  bind_point_clamped(11, l[0]);
  set_ps4(PS_BLUR_STEP, 4.f / wd, 0, 8.f / wd, 0);
  {
    TimedPass t("shadow blur");
    draw_postfx();
  }
  set_render_target(l[0], 0, false);
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
  set_render_target(g[3], 0, true);
  set_stencil_test(0xFF, 0, STENCIL_NOT_EQUAL);
  set_frustum_constants();
  set_ps_const(PS_SKY_PALETTE, &get_frame_sky_palette().entry[0][0], SKY_PALETTE_SIZE);
  set_shader(light_shader);
  {
    TimedPass t("light");
    draw_postfx();
  }

  // Horizon and sky into the scene image.
  set_render_target(scene_image, 0, true);
  if (use_wireframe) {
    clear_view_color(WIREFRAME_GREY);
    set_wireframe(true);
  }
  // The horizon keeps its depth, so effects behind its hills stay hidden.
  set_zenable(true);
  set_zwrite(true);
  set_stencil_test(0xFF, STENCIL_HORIZON, STENCIL_ALWAYS);
  set_stencil_replace_bits(STENCIL_HORIZON);
  load_light_constants();
  if (passes.draw_horizon) {
    TimedPass t("horizon");
    passes.draw_horizon();
  }
  set_wireframe(false);
  set_zenable(false);
  set_zwrite(false);
  set_stencil_replace_bits(0);
  if (!use_wireframe) draw_sky_behind();

  // The lit geometry with fog and haze, where step one drew.
  bind_point_clamped(11, g[3]);
  bind_point_clamped(8, g[0]);
  bind_point_clamped(9, g[1]);
  set_ps_const(PS_CAMERA_POS, cur_view_itm.m[3], 1);
  set_ps4(PS_FOG, use_fog ? 1.f : 0.f, 0, 0, 0);
  set_frustum_constants();
  set_stencil_test(1, 1, STENCIL_EQUAL);
  set_shader(final_shader);
  {
    TimedPass t("final");
    draw_postfx();
  }
  set_stencil_test(0, 0, STENCIL_ALWAYS);
  for (int stage = 8; stage <= 13; stage++) set_texture(stage, nullptr);

  load_light_constants();
  set_zenable(true);
  set_zwrite(true);
  set_wireframe(use_wireframe);
  draw_debug_and_effects(dt, k);
  set_wireframe(false);
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
