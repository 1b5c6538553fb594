#include "render/land_textures.h"
#include <cmath>
#include <cstring>
#include <initializer_list>
#include "core/debug.h"
#include "render/buffers.h"
#include "render/draw.h"
#include "render/land_meshes.h"
#include "render/land_render.h"
#include "render/render_state.h"
#include "render/shaders.h"
#include "render/textures.h"
#include "render/vertex_decl.h"

using namespace HeightmapRenderer;
using namespace HeightmapData;

namespace {
constexpr int NORMAL_SIZE = 1024;
constexpr int POINTS_PER_BATCH = 4096;

struct LandTextures {
  Texture* norm[2] = {nullptr, nullptr};  // [cur], [cur ^ 1] = previous
  Texture* aper[2] = {nullptr, nullptr};
  int cur = 0;
  bool first_refresh = true;  // no previous normals yet: both get the first ones
  BufferRecord* point_vb = nullptr;
  VertexDecl* point_decl = nullptr;
  Shader *load_float = nullptr, *load_color = nullptr, *calc_norm = nullptr, *calc_aper = nullptr,
         *interp = nullptr;
};
LandTextures lt;

// Full-screen quad over target with clip = pos * (sx, sy) + (ox, oy) and
// texture coordinates taken from clip.
void full_rect_pass(Texture* target, Shader* sh) {
  set_render_target(target, 0, false);
  const float rect[4] = {1.f, 1.f, 0.f, 0.f};
  set_vs_const(16, rect, 1);
  const float to_uv[4] = {0.5f, -0.5f, 0.5f, 0.5f};
  set_vs_const(17, to_uv, 1);
  set_shader(sh);
  draw_postfx();
}

void bind_point_sampled(int stage, Texture* t) {
  set_texture(stage, t);
  set_texture_address(stage, 0, -1, -1);
  set_texture_filter(stage, false);
}

unsigned height_bits(int cell) {
  float h = hmap[cell] + std::fabs(water_at(cell).amount);
  unsigned u;
  memcpy(&u, &h, 4);
  return u;
}
unsigned color_bits(int cell) { return surface[cell].color; }
unsigned overlay_bits(int cell) { return surface[cell].overlay; }

void compute_normals_and_shadowing(bool high) {
  const float texel[4] = {1.f / 256.f, 1.f / 256.f, 0.f, 0.f};
  set_ps_const(0, texel, 1);
  // Filtered: the low-quality normals take bilinear taps.
  set_texture(0, hmapTex);
  set_texture_address(0, 0, -1, -1);
  set_texture_filter(0, true);
  lt.cur ^= 1;
  full_rect_pass(lt.norm[lt.cur], lt.calc_norm);
  if (high) full_rect_pass(lt.aper[lt.cur], lt.calc_aper);
  if (lt.first_refresh) {
    copy_texture(lt.norm[lt.cur], lt.norm[lt.cur ^ 1]);
    if (high) copy_texture(lt.aper[lt.cur], lt.aper[lt.cur ^ 1]);
    lt.first_refresh = false;
  }
  set_texture(0, nullptr);
}

void blend_pass(Texture* target, Texture* prev, Texture* cur) {
  bind_point_sampled(0, prev);
  bind_point_sampled(1, cur);
  full_rect_pass(target, lt.interp);
}
}  // namespace

bool create_land_textures(bool high) {
  hmapTex = create_render_texture(256, 256, TEXFMT_R32F);
  colrTex = create_render_texture(256, 256, TEXFMT_ARGB8);
  topcTex = create_render_texture(256, 256, TEXFMT_ARGB8);
  normTex = create_render_texture(NORMAL_SIZE, NORMAL_SIZE, TEXFMT_ARGB8);
  bool ok = hmapTex && colrTex && topcTex && normTex;
  for (Texture*& t : lt.norm) ok = (t = create_render_texture(NORMAL_SIZE, NORMAL_SIZE, TEXFMT_ARGB8)) && ok;
  if (high) {
    ok = (aperTex = create_render_texture(256, 256, TEXFMT_ARGB8)) && ok;
    for (Texture*& t : lt.aper) ok = (t = create_render_texture(256, 256, TEXFMT_ARGB8)) && ok;
  }
  lt.point_vb = create_vb(POINTS_PER_BATCH * int(sizeof(LandPoint)), 0);
  if (!lt.point_vb) fatal("Can't create color VB");
  const VDeclElem points[] = {{0, 0, VDECL_SHORT2, VDECL_POSITION, 0}, {4, 0, VDECL_FLOAT1, VDECL_TEXCOORD, 0},
                              {4, 0, VDECL_COLOR, VDECL_COLOR_USAGE, 0}, {0, 255, 0, 0, 0}};
  lt.point_decl = get_vdecl(points);
  return ok;
}

void create_land_texture_shaders(bool high, int shadow_quality) {
  lt.load_float = create_shader("load_float.sh", nullptr);
  lt.load_color = create_shader("load_color.sh", nullptr);
  lt.calc_norm = create_shader(high ? "calc_norm.sh" : "calc_norm_low.sh", nullptr);
  lt.interp = create_shader("interp_tex.sh", nullptr);
  if (high) {
    static const char* const variants[3] = {"QUALITY\0 0\0", "QUALITY\0 1\0", "QUALITY\0 2\0"};
    int q = shadow_quality < 0 ? 0 : shadow_quality > 2 ? 2 : shadow_quality;
    lt.calc_aper = create_shader("calc_aper.sh", variants[q]);
  }
}

void close_land_textures() {
  for (Texture** t : {&hmapTex, &colrTex, &topcTex, &normTex, &aperTex, &lt.norm[0], &lt.norm[1], &lt.aper[0],
                      &lt.aper[1]}) {
    release_texture(*t);
    *t = nullptr;
  }
  free_vb(lt.point_vb);
  for (Shader* s : {lt.load_float, lt.load_color, lt.calc_norm, lt.calc_aper, lt.interp}) destroy_shader(s);
  lt = LandTextures();
}

void draw_cell_points(Texture* target, Shader* sh, unsigned (*value)(int cell)) {
  set_render_target(target, 0, false);
  set_vs_const(16, CELL_TO_CLIP, 1);
  set_shader(sh);
  set_vdecl(lt.point_decl);
  set_vb(0, lt.point_vb, 0, sizeof(LandPoint));
  for (int first = 0; first < HMAP_CELLS; first += POINTS_PER_BATCH) {
    auto* p = static_cast<LandPoint*>(lock_vb(lt.point_vb, 0, 0));
    ASSERT(p);
    for (int i = 0; i < POINTS_PER_BATCH; i++, p++) {
      int cell = first + i;
      p->x = int16_t(cell & HMAP_MASK);
      p->z = int16_t(cell >> HMAP_SIZE_SHIFT);
      p->color = value(cell);
    }
    unlock_vb(lt.point_vb);
    draw_prim(PRIM_POINTLIST, 0, POINTS_PER_BATCH);
  }
}

void refresh_land_textures(bool high) {
  for (int i = 1; i < 4; i++) set_render_target(nullptr, i, false);
  set_blend_none();
  set_zenable(false);
  set_zwrite(false);
  set_cull_mode(0);
  set_stencil_test(0, 0, 0);
  set_color_write_mask(15);
  draw_cell_points(hmapTex, lt.load_float, height_bits);
  compute_normals_and_shadowing(high);
  draw_cell_points(colrTex, lt.load_color, color_bits);
  draw_cell_points(topcTex, lt.load_color, overlay_bits);
}

void blend_land_textures(bool high, float f) {
  for (int i = 1; i < 4; i++) set_render_target(nullptr, i, false);
  set_blend_none();
  set_zenable(false);
  set_zwrite(false);
  set_stencil_test(0, 0, 0);
  const float weight[4] = {f, f, f, f};
  set_ps_const(0, weight, 1);
  blend_pass(normTex, lt.norm[lt.cur ^ 1], lt.norm[lt.cur]);
  if (high) blend_pass(aperTex, lt.aper[lt.cur ^ 1], lt.aper[lt.cur]);
  set_texture(0, nullptr);
  set_texture(1, nullptr);
  set_back_buffer_target();
}

// The current normals and shadowing, for the map's lighting.
Texture* current_land_normals() { return lt.norm[lt.cur]; }
Texture* current_land_shadowing() { return lt.aper[lt.cur]; }
