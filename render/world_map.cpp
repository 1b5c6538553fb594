// The world map image (mapTex): ground and overlay colours, the water drawn
// over them, then the land's light multiplied in.
#include <cstdint>
#include <initializer_list>
#include "core/debug.h"
#include "data/shader_constants.h"
#include "render/buffers.h"
#include "render/draw.h"
#include "render/land_meshes.h"
#include "render/land_render.h"
#include "render/land_textures.h"
#include "render/render_state.h"
#include "render/shaders.h"
#include "render/textures.h"
#include "render/vertex_decl.h"

using namespace HeightmapRenderer;
using namespace LandMeshes;

namespace {
struct WorldMap {
  BufferRecord* vb = nullptr;
  BufferRecord* ib = nullptr;
  VertexDecl* decl = nullptr;
  Shader *surf = nullptr, *water = nullptr, *light = nullptr;
  Texture* detail = nullptr;
};
WorldMap map;

void bind(int stage, Texture* t, bool wrap) {
  set_texture(stage, t);
  set_texture_address(stage, wrap ? 0 : 1, -1, -1);
  set_texture_filter(stage, true);
}

void full_map_pass(Shader* sh) {
  const float rect[4] = {1.f, 1.f, 0.f, 0.f};
  set_vs_const(VS_QUAD_RECT, rect, 1);
  const float to_uv[4] = {0.5f, -0.5f, 0.5f, 0.5f};
  set_vs_const(VS_QUAD_TO_UV, to_uv, 1);
  set_shader(sh);
  draw_postfx();
}

void draw_map_water() {
  auto* v = static_cast<MapWaterVertex*>(lock_vb(map.vb, 0, 0));
  ASSERT(v);
  build_map_water(v);
  unlock_vb(map.vb);
  auto* ip = static_cast<uint16_t*>(lock_ib(map.ib, 0, 0));
  ASSERT(ip);
  int first = 0;
  int total = build_map_water_indices(ip, &first);
  unlock_ib(map.ib);
  if (!total) return;
  set_vs_const(VS_MAP_CELL_TO_CLIP, CELL_TO_CLIP, 1);
  set_shader(map.water);
  set_vdecl(map.decl);
  set_vb(0, map.vb, 0, sizeof(MapWaterVertex));
  set_ib(map.ib);
  set_blend_alpha();
  if (first) draw_indexed(PRIM_TRILIST, 0, 0, MAP_WATER_SPLIT, 0, first / 3);
  if (total > first)
    draw_indexed(PRIM_TRILIST, MAP_WATER_SPLIT, 0, MAP_WATER * MAP_WATER - MAP_WATER_SPLIT, first, (total - first) / 3);
  set_blend_none();
}
}  // namespace

void init_world_map(bool high) {
  map.vb = create_vb(MAP_WATER * MAP_WATER * int(sizeof(MapWaterVertex)), 0);
  if (!map.vb) fatal("Can't create map water VB");
  map.ib = create_ib(MAP_WATER_INDICES, 0);
  if (!map.ib) fatal("Can't create map water IB");
  const VDeclElem layout[] = {{0, 0, VDECL_SHORT2, VDECL_POSITION, 0}, {4, 0, VDECL_FLOAT2, VDECL_TEXCOORD, 0},
                              {0, 255, 0, 0, 0}};
  map.decl = get_vdecl(layout);
  map.surf = create_shader("map_surf.sh", nullptr);
  map.water = create_shader("map_water.sh", nullptr);
  map.light = create_shader(high ? "map_light.sh" : "map_light_low.sh", nullptr);
  map.detail = get_texture("detail.dds", true);
}

void close_world_map() {
  free_vb(map.vb);
  free_ib(map.ib);
  for (Shader* s : {map.surf, map.water, map.light}) destroy_shader(s);
  free_texture(map.detail);
  map = WorldMap();
}

void refresh_world_map(bool high) {
  if (!mapTex || !map.surf) return;
  for (int i = 1; i < 4; i++) set_render_target(nullptr, i, false);
  set_render_target(mapTex, 0, false);
  set_blend_none();
  set_zenable(false);
  set_zwrite(false);
  bind(0, colrTex, true);
  bind(1, topcTex, true);
  bind(2, map.detail, true);
  full_map_pass(map.surf);
  draw_map_water();
  bind(0, high ? current_land_shadowing() : current_land_normals(), true);
  set_blend_multiply();
  full_map_pass(map.light);
  set_blend_none();
  for (int s = 0; s < 3; s++) set_texture(s, nullptr);
  set_back_buffer_target();
}
