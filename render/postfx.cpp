#include "render/postfx.h"
#include <utility>
#include "data/shader_constants.h"
#include "render/device.h"
#include "render/draw.h"
#include "render/render_options.h"
#include "render/render_state.h"
#include "render/scene_image.h"
#include "render/scene_render.h"
#include "render/scene_targets.h"
#include "render/pass_timer.h"
#include "render/shaders.h"
#include "render/textures.h"

__m128 postfx_params = _mm_setr_ps(0.35f, 0.3f, 1.f, 1.05f);
__m128 postfx_frame_tint = _mm_setzero_ps();

namespace {
constexpr int MLAA_MAX_STEP = 128;

Shader* main_shader = nullptr;
Shader* bloom_shader = nullptr;
Shader* none_shader = nullptr;
Shader* edge_shader = nullptr;
Shader* rows_first_shader = nullptr;
Shader* rows_shader = nullptr;
Shader* cols_first_shader = nullptr;
Shader* cols_shader = nullptr;
Shader* cols_final_shader = nullptr;
Shader* combine_shader = nullptr;

const char FIRST_DEFINE[] = "FIRST\0 1\0";
const char FINAL_DEFINE[] = "FINAL\0 1\0";

void set_vs4(int reg, float x, float y, float z, float w) {
  float v[4] = {x, y, z, w};
  set_vs_const(reg, v, 1);
}
void set_ps4(int reg, float x, float y, float z, float w) {
  float v[4] = {x, y, z, w};
  set_ps_const(reg, v, 1);
}

void set_quad_mapping(float w, float h) { set_vs4(VS_QUAD_MAPPING, 0.5f, -0.5f, 0.5f + 0.5f / w, 0.5f + 0.5f / h); }

void bind(int stage, Texture* tex, bool wrap) {
  set_texture(stage, tex);
  set_texture_filter(stage, false);
  set_texture_address(stage, wrap ? 0 : 1, -1, -1);
}

// One series of distance passes (rows or columns): a = 1, 2, ..., 128, each
// reading the previous result, alternating between two images. Returns the
// image holding the last result.
void distance_passes(Texture* edges, Texture* buf_a, Texture* buf_b, Texture* last_target, bool rows, float w,
                     float h) {
  Texture* prev = nullptr;
  Texture* out = buf_a;
  for (int a = 1; a <= MLAA_MAX_STEP; a *= 2) {
    bool first = a == 1, last = a == MLAA_MAX_STEP;
    if (last && last_target) out = last_target;
    set_render_target(out, 0, false);
    if (first) clear_view_color(0);
    if (rows) {
      set_shader(first ? rows_first_shader : rows_shader);
      set_vs4(VS_MLAA_STEP, 1.f / w, 0, float(a) / w, 0);
    } else {
      set_shader(first ? cols_first_shader : (last ? cols_final_shader : cols_shader));
      set_vs4(VS_MLAA_STEP, 0, 1.f / h, 0, float(a) / h);
    }
    if (last && last_target) set_color_write_mask(12);
    set_ps4(PS_MLAA_STEP, float(a) / 255.f, 0, 0, 0);
    bind(0, edges, false);
    bind(1, prev, false);
    draw_postfx();
    set_color_write_mask(15);
    prev = out;
    out = out == buf_a ? buf_b : buf_a;
  }
}
}  // namespace

void init_postfx() {
  create_postfx_textures();
  main_shader = create_shader("postfx_main.sh", nullptr);
  bloom_shader = create_shader("postfx_bloom.sh", nullptr);
  none_shader = create_shader("postfx_none.sh", nullptr);
  edge_shader = create_shader("mlaa_edge.sh", nullptr);
  rows_first_shader = create_shader("mlaa_rows.sh", FIRST_DEFINE);
  rows_shader = create_shader("mlaa_rows.sh", nullptr);
  cols_first_shader = create_shader("mlaa_cols.sh", FIRST_DEFINE);
  cols_shader = create_shader("mlaa_cols.sh", nullptr);
  cols_final_shader = create_shader("mlaa_cols.sh", FINAL_DEFINE);
  combine_shader = create_shader("mlaa_combine.sh", nullptr);
}

void close_postfx() {
  Shader** shaders[] = {&main_shader, &bloom_shader, &none_shader, &edge_shader, &rows_first_shader, &rows_shader,
                        &cols_first_shader, &cols_shader, &cols_final_shader, &combine_shader};
  for (Shader** s : shaders) {
    destroy_shader(*s);
    *s = nullptr;
  }
  release_postfx_textures();
}

void apply_mlaa() {
  if (!edge_shader || !gbuffer[0]) return;
  TimedPass timer("mlaa");
  const float w = float(scene_width()), h = float(scene_height());
  Texture* edges = gbuffer[0];
  set_blend_none();
  set_zenable(false);
  set_zwrite(false);
  set_stencil_test(0, 0, 8);
  set_quad_mapping(w, h);

  set_render_target(edges, 0, false);
  clear_view_color(0);
  set_shader(edge_shader);
  set_vs4(VS_MLAA_STEP, 1.f / w, 1.f / h, 0, 0);
  bind(0, scene_image, false);
  draw_postfx();

  // Rows end in gbuffer[2]; the columns' last pass adds theirs to it.
  distance_passes(edges, gbuffer[1], gbuffer[2], nullptr, true, w, h);
  Texture* distances = gbuffer[2];
  distance_passes(edges, gbuffer[1], gbuffer[3], distances, false, w, h);

  set_render_target(gbuffer[3], 0, false);
  set_shader(combine_shader);
  set_vs4(VS_MLAA_STEP, 1.f / w, 1.f / h, 0, 0);
  bind(0, scene_image, false);
  bind(1, edges, false);
  bind(2, distances, true);
  draw_postfx();
  for (int stage = 0; stage < 3; stage++) set_texture(stage, nullptr);
  std::swap(scene_image, gbuffer[3]);
}

// The bloom of the scene image into a quarter-resolution target; null when
// there is none to draw into.
Texture* make_bloom(float w, float h, const float* params) {
  Texture* target = low_res_textures[0];
  if (!bloom_shader || !target) return nullptr;
  TimedPass timer("bloom");
  set_render_target(target, 0, false);
  set_shader(bloom_shader);
  set_ps4(PS_TEXEL_SIZE, 1.f / w, 1.f / h, w, h);
  set_ps_const(PS_POSTFX_PARAMS, params, 1);
  set_texture(0, scene_image);
  set_texture_filter(0, true);
  set_texture_address(0, 1, -1, -1);
  draw_postfx();
  return target;
}

void compose_frame() {
  set_wireframe(false);
  if (use_ppaa) apply_mlaa();
  set_blend_none();
  set_zenable(false);
  set_zwrite(false);
  set_stencil_test(0, 0, 8);
  const float w = float(scene_width()), h = float(scene_height());
  bool plain = !use_postfx || use_wireframe;
  float params[4], tint[4];
  _mm_storeu_ps(params, postfx_params);
  _mm_storeu_ps(tint, postfx_frame_tint);
  Texture* bloom = plain ? nullptr : make_bloom(w, h, params);
  if (!plain && !bloom) plain = true;
  set_back_buffer_target();
  set_shader(plain ? none_shader : main_shader);
  if (!plain) set_ps4(PS_TEXEL_SIZE, 1.f / w, 1.f / h, w, h);
  set_quad_mapping(w, h);
  set_ps_const(PS_POSTFX_PARAMS, params, 1);
  set_ps_const(PS_POSTFX_TINT, tint, 1);
  set_texture(0, scene_image);
  // A scene drawn smaller than the window is scaled up smoothly.
  set_texture_filter(0, !plain || scene_width() != d3d_wd || scene_height() != d3d_ht);
  set_texture_address(0, 1, -1, -1);
  if (bloom) {
    set_texture(1, bloom);
    set_texture_filter(1, true);
    set_texture_address(1, 1, -1, -1);
  }
  {
    TimedPass timer("compose");
    draw_postfx();
  }
  set_texture(0, nullptr);
  set_texture(1, nullptr);
}
