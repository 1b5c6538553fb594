#include "render/land_render.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include "data/shader_constants.h"
#include "render/render_options.h"
#include "core/debug.h"
#include "core/optional_services.h"
#include "render/buffers.h"
#include "render/device.h"
#include "render/draw.h"
#include "render/land_fluids.h"
#include "render/land_meshes.h"
#include "render/land_textures.h"
#include "render/render_hooks.h"
#include "render/render_state.h"
#include "render/pass_timer.h"
#include "render/shaders.h"
#include "render/textures.h"
#include "render/vertex_decl.h"
#include "terrain/house_templates.h"

namespace HeightmapRenderer {
Texture* hmapTex = nullptr;
Texture* colrTex = nullptr;
Texture* topcTex = nullptr;
Texture* grndTex = nullptr;
Texture* normTex = nullptr;
Texture* aperTex = nullptr;
Texture* mapTex = nullptr;
alignas(16) float curh[HMAP_CELLS];
}  // namespace HeightmapRenderer

HouseTileInfo house_tile_info[26];
int num_house_tiles = 0;
bool land_dirty = true;

using namespace HeightmapRenderer;
using namespace LandMeshes;

namespace {
struct LandGpu {
  bool high = false;  // quality the renderer was started with
  Texture* detail = nullptr;
  Texture* foam = nullptr;
  Texture* lava = nullptr;
  BufferRecord *grid_vb = nullptr, *near_vb = nullptr, *patch_vb = nullptr, *horizon_vb = nullptr;
  BufferRecord *water_vb = nullptr, *lava_vb = nullptr;
  BufferRecord *patch_ib = nullptr, *land_ib = nullptr, *horizon_ib = nullptr, *water_ib = nullptr,
               *lava_ib = nullptr;
  Shader *land = nullptr, *land_inst = nullptr, *water = nullptr, *lava_sh = nullptr, *horizon = nullptr;
  VertexDecl *grid_decl = nullptr, *near_decl = nullptr, *fluid_decl = nullptr;
  int near_count = 0, land_indices = 0, water_indices = 0, lava_indices = 0, horizon_indices = 0;
  Frame frame = {};
  float update_time = 0.f;  // seconds into the current update step, for the flow phases
  float clock = 0.f;        // seconds of updates, wrapping, for animations
  float blend = 0.f;        // the frame's fraction of the update step
  int map_age = 0;          // refreshes since the world map was drawn
  bool map_stale = true;    // the map must follow the next refresh
  bool refresh_whole = true;  // the next refresh follows every moved tile
  bool ready = false;
};
LandGpu gpu;

// Refreshes (updates) between two drawings of the world map.
constexpr int MAP_MIN_UPDATES = 10, MAP_MAX_UPDATES = 20;
constexpr int FLUID_STRIDE_HIGH = sizeof(FluidVertexHigh), FLUID_STRIDE_LOW = sizeof(FluidVertexLow);

BufferRecord* must_vb(int size, int flags, const char* what) {
  BufferRecord* b = create_vb(size, flags);
  if (!b) fatal("%s", what);
  return b;
}

BufferRecord* must_ib(int count, int flags, const char* what) {
  BufferRecord* b = create_ib(count, flags);
  if (!b) fatal("%s", what);
  return b;
}

// The camera of the view matrix on the device.
void camera_position(float& x, float& z) {
  Matrix44 v;
  get_view_tm(v);
  float p[3];
  for (int i = 0; i < 3; i++) p[i] = -(v.m[3][0] * v.m[i][0] + v.m[3][1] * v.m[i][1] + v.m[3][2] * v.m[i][2]);
  x = p[0];
  z = p[2];
}

void render_building_cell(HeightmapData::Surface* s, int x, int z) {
  if (render_hooks.draw_building) render_hooks.draw_building(s, x, z);
}

void make_house_tile_table() {
  num_house_tiles = 0;
  for (HouseTileInfo& t : house_tile_info) t = {0, 0};
  for (const HouseTemplate& h : house_templates)
    for (int i = 0; i < h.len * h.count; i++) {
      char c = h.tiles[i];
      if (c < 'a' || c > 'z') continue;
      HouseTileInfo& t = house_tile_info[c - 'a'];
      t.letter = c;
      t.variants = std::max(t.variants, h.variants[i] - '0' + 1);
      num_house_tiles = std::max(num_house_tiles, c - 'a' + 1);
    }
}

void build_static_geometry() {
  float uv[PATCH_VERTICES * 2];
  uint16_t idx[PATCH_INDICES];
  build_patch(uv, idx);
  memcpy(lock_vb(gpu.patch_vb, 0, sizeof(uv)), uv, sizeof(uv));
  unlock_vb(gpu.patch_vb);
  memcpy(lock_ib(gpu.patch_ib, 0, sizeof(idx)), idx, sizeof(idx));
  unlock_ib(gpu.patch_ib);
}

void create_layouts() {
  const VDeclElem grid[] = {{0, 0, VDECL_SHORT2, VDECL_POSITION, 0}, {4, 0, VDECL_FLOAT1, VDECL_TEXCOORD, 0},
                            {0, 255, 0, 0, 0}};
  const VDeclElem near[] = {{0, 0, VDECL_FLOAT2, VDECL_POSITION, 0}, {0, 1, VDECL_SHORT2, VDECL_TEXCOORD, 0},
                            {4, 1, VDECL_FLOAT4, VDECL_TEXCOORD, 1}, {0, 255, 0, 0, 0}};
  const VDeclElem fluid_high[] = {{0, 0, VDECL_SHORT2, VDECL_POSITION, 0}, {4, 0, VDECL_FLOAT1, VDECL_TEXCOORD, 0},
                                  {8, 0, VDECL_FLOAT4, VDECL_TEXCOORD, 1}, {24, 0, VDECL_SHORT2, VDECL_TEXCOORD, 2},
                                  {0, 255, 0, 0, 0}};
  const VDeclElem fluid_low[] = {{0, 0, VDECL_SHORT2, VDECL_POSITION, 0}, {4, 0, VDECL_FLOAT1, VDECL_TEXCOORD, 0},
                                 {8, 0, VDECL_FLOAT1, VDECL_TEXCOORD, 1}, {0, 255, 0, 0, 0}};
  gpu.grid_decl = get_vdecl(grid);  // the horizon shares it
  gpu.near_decl = get_vdecl(near);
  gpu.fluid_decl = get_vdecl(gpu.high ? fluid_high : fluid_low);
}

// The origin of the frame's meshes and the texture scales.
void set_mesh_constants() {
  const float scales[4] = {1.f / 256.f, 1.f / 256.f, 1.f / 512.f, 1.f / 2048.f};
  set_vs_const(VS_LAND_TEX_SCALES, scales, 1);
  const float origin[4] = {float(gpu.frame.base_x), 0.f, float(gpu.frame.base_z),
                           gpu.clock + gpu.update_time};
  set_vs_const(VS_LAND_ORIGIN, origin, 1);
}

void bind_cell_texture(int stage, Texture* t) {
  set_texture(stage, t);
  set_texture_address(stage, 0, -1, -1);
  set_texture_filter(stage, true);
}

void build_frame_meshes(float f) {
  Frame& fr = gpu.frame;
  HouseTileFn house = render_building_cell;
  auto* near = static_cast<NearCellInstance*>(lock_vb(gpu.near_vb, 0, 0));
  ASSERT(near);
  gpu.near_count = build_near_cells(fr, curh, near, house);
  unlock_vb(gpu.near_vb);

  auto* li = static_cast<uint16_t*>(lock_ib(gpu.land_ib, 0, 0));
  ASSERT(li);
  gpu.land_indices = build_land_indices(fr, li, house);
  unlock_ib(gpu.land_ib);
  auto* grid = static_cast<LandGridVertex*>(lock_vb(gpu.grid_vb, 0, 0));
  ASSERT(grid);
  build_land_grid(fr, curh, grid);
  unlock_vb(gpu.grid_vb);

  if (gpu.high) {
    auto* hi = static_cast<uint16_t*>(lock_ib(gpu.horizon_ib, 0, 0));
    ASSERT(hi);
    gpu.horizon_indices = build_horizon_ring(fr, hi);
    unlock_ib(gpu.horizon_ib);
    if (gpu.horizon_indices) {
      auto* hv = static_cast<LandGridVertex*>(lock_vb(gpu.horizon_vb, 0, 0));
      ASSERT(hv);
      build_horizon(fr, curh, LandFluids::state.frame_surf, hv);
      unlock_vb(gpu.horizon_vb);
    }
  }

  BufferRecord* vbs[2] = {gpu.water_vb, gpu.lava_vb};
  BufferRecord* ibs[2] = {gpu.water_ib, gpu.lava_ib};
  int* counts[2] = {&gpu.water_indices, &gpu.lava_indices};
  for (int kind = 0; kind < 2; kind++) {
    auto* ip = static_cast<uint16_t*>(lock_ib(ibs[kind], 0, 0));
    ASSERT(ip);
    *counts[kind] = build_fluid_indices(fr, kind, ip);
    unlock_ib(ibs[kind]);
    if (!*counts[kind]) continue;  // nothing of this kind near the camera
    void* vp = lock_vb(vbs[kind], 0, 0);
    ASSERT(vp);
    if (gpu.high)
      build_fluid_high(fr, kind, f, curh, static_cast<FluidVertexHigh*>(vp));
    else
      build_fluid_low(fr, kind, f, curh, static_cast<FluidVertexLow*>(vp));
    unlock_vb(vbs[kind]);
  }
}

void draw_fluid(int kind, Shader* sh, Texture* tex) {
  int count = kind == 0 ? gpu.water_indices : gpu.lava_indices;
  if (!count || !sh) return;
  bind_land_blend(3, gpu.high ? 0 : -1, gpu.blend);
  if (gpu.high) {
    bind_cell_texture(4, tex);
    float n = float(LandFluids::state.counter) + gpu.update_time * 20.f;
    const float phase[4] = {1.f - std::fabs((n - 20.f) * 0.05f), 0, 0, 0};
    set_ps_const(PS_FLOW_PHASE, phase, 1);
    const float screen[4] = {0.5f, -0.5f, 0.5f, 0.5f};
    set_ps_const(PS_FLOW_SCREEN, screen, 1);
  } else {
    bind_cell_texture(4, kind == 0 ? gpu.foam : gpu.detail);
  }
  bind_cell_texture(1, hmapTex);
  bind_cell_texture(2, colrTex);
  set_mesh_constants();
  set_shader(sh);
  set_vdecl(gpu.fluid_decl);
  set_vb(0, kind == 0 ? gpu.water_vb : gpu.lava_vb, 0, gpu.high ? FLUID_STRIDE_HIGH : FLUID_STRIDE_LOW);
  set_ib(kind == 0 ? gpu.water_ib : gpu.lava_ib);
  draw_indexed(PRIM_TRILIST, 0, 0, GRID * GRID, 0, count / 3);
}
}  // namespace

void init_land_render() {
  close_land_render();
  gpu.high = gfx_quality == 1;
  make_house_tile_table();
  if (!create_land_textures(gpu.high)) fatal("can't create land textures");
  mapTex = create_render_texture(512, 512, TEXFMT_ARGB8);
  if (!mapTex) fatal("can't create world map texture");
  gpu.detail = get_texture("detail.dds", true);
  gpu.foam = get_texture("foam.dds", true);
  if (gpu.high) gpu.lava = get_texture("lava.dds", true);
  gpu.grid_vb = must_vb(GRID * GRID * int(sizeof(LandGridVertex)), 0, "Can't create land VB");
  gpu.near_vb = must_vb(MAX_NEAR_CELLS * int(sizeof(NearCellInstance)), 0, "Can't create land VB");
  gpu.patch_vb = must_vb(PATCH_VERTICES * 8, BUFFER_STATIC, "Can't create land VB");
  int fluid_size = GRID * GRID * (gpu.high ? FLUID_STRIDE_HIGH : FLUID_STRIDE_LOW);
  gpu.water_vb = must_vb(fluid_size, 0, "Can't create water VB");
  gpu.lava_vb = must_vb(fluid_size, 0, "Can't create lava VB");
  gpu.patch_ib = must_ib(PATCH_INDICES, BUFFER_STATIC, "Can't create land IB");
  gpu.land_ib = must_ib(LAND_INDICES, BUFFER_STATIC, "Can't create land IB");
  gpu.water_ib = must_ib(FLUID_INDICES, 0, "Can't create water IB");
  gpu.lava_ib = must_ib(FLUID_INDICES, 0, "Can't create lava IB");
  if (gpu.high) {
    gpu.horizon_vb = must_vb(HORIZON * HORIZON * int(sizeof(LandGridVertex)), 0, "Can't create land VB");
    gpu.horizon_ib = must_ib(HORIZON_INDICES, BUFFER_STATIC, "Can't create land IB");
  }
  create_layouts();
  build_static_geometry();
  gpu.land = create_shader(gpu.high ? "dr_land.sh" : "land.sh", nullptr);
  gpu.land_inst = create_shader(gpu.high ? "dr_land.sh" : "land.sh", "INST\0 1\0");
  gpu.water = create_shader(gpu.high ? "dr_water.sh" : "water.sh", nullptr);
  gpu.lava_sh = create_shader(gpu.high ? "dr_lava.sh" : "lava.sh", nullptr);
  if (gpu.high) gpu.horizon = create_shader("horizon.sh", nullptr);
  create_land_texture_shaders(gpu.high, land_shadow_quality);
  init_world_map(gpu.high);
  float cx, cz;
  camera_position(cx, cz);
  LandFluids::reset(int(std::floor(cx)), int(std::floor(cz)));
  std::copy(HeightmapData::hmap, HeightmapData::hmap + HMAP_CELLS, curh);
  land_dirty = true;
  gpu.ready = true;
  optional_services.request_land_refresh = &request_land_refresh;
  optional_services.restart_land_render = &restart_land_render;
}

void close_land_render() {
  if (optional_services.request_land_refresh == &request_land_refresh) optional_services.request_land_refresh = nullptr;
  if (optional_services.restart_land_render == &restart_land_render) optional_services.restart_land_render = nullptr;
  close_world_map();
  close_land_textures();
  release_texture(mapTex);
  mapTex = nullptr;
  for (Texture** t : {&gpu.detail, &gpu.foam, &gpu.lava}) {
    free_texture(*t);
    *t = nullptr;
  }
  for (BufferRecord** b : {&gpu.grid_vb, &gpu.near_vb, &gpu.patch_vb, &gpu.horizon_vb, &gpu.water_vb, &gpu.lava_vb}) {
    free_vb(*b);
    *b = nullptr;
  }
  for (BufferRecord** b : {&gpu.patch_ib, &gpu.land_ib, &gpu.horizon_ib, &gpu.water_ib, &gpu.lava_ib}) {
    free_ib(*b);
    *b = nullptr;
  }
  for (Shader** s : {&gpu.land, &gpu.land_inst, &gpu.water, &gpu.lava_sh, &gpu.horizon}) {
    destroy_shader(*s);
    *s = nullptr;
  }
  gpu = LandGpu();
}

void update_land_render(float dt) {
  float cx, cz;
  camera_position(cx, cz);
  LandFluids::update(dt, gpu.high, int(std::floor(cx)), int(std::floor(cz)));
  gpu.clock = std::fmod(gpu.clock + dt, 3600.f);
  land_dirty = true;
}

void request_land_refresh() {
  land_dirty = true;
  gpu.map_stale = true;
  gpu.refresh_whole = true;
}

void restart_land_render() {
  if (!gpu.ready) return;
  float cx, cz;
  camera_position(cx, cz);
  LandFluids::restart(gpu.high, int(std::floor(cx)), int(std::floor(cz)));
  restart_land_texture_history();
  std::copy(HeightmapData::hmap, HeightmapData::hmap + HMAP_CELLS, curh);
  land_dirty = true;
  gpu.map_stale = true;
}

void prepare_land_render(float t) {
  if (!gpu.ready) return;
  float cx, cz;
  camera_position(cx, cz);
  if (land_dirty) {
    bool changed;
    {
      TimedPass timer("land refresh");
      changed = refresh_land_textures(gpu.high, gpu.refresh_whole, int(std::floor(cx)), int(std::floor(cz)));
      gpu.refresh_whole = false;
    }
    land_dirty = false;
    // The map follows the land at most a few times a second: the fluids'
    // motion alone redraws it once a second.
    gpu.map_age++;
    if (gpu.map_stale || (changed && gpu.map_age >= MAP_MIN_UPDATES) || gpu.map_age >= MAP_MAX_UPDATES) {
      TimedPass timer("world map");
      refresh_world_map(gpu.high);
      gpu.map_age = 0;
      gpu.map_stale = false;
    }
  }
  float f = std::clamp(t * 20.f, 0.f, 1.f);
  gpu.update_time = t;
  gpu.blend = f;
  TimedPass timer("land meshes");
  HeightmapData::morphHmap(t, curh);
  LandFluids::blend(f);
  gpu.frame = make_frame(cx, cz);
  Matrix44 view, proj, view_proj;
  get_view_tm(view);
  get_proj_tm(proj);
  for (int r = 0; r < 4; r++)
    for (int c = 0; c < 4; c++) {
      float sum = 0.f;
      for (int i = 0; i < 4; i++) sum += view.m[r][i] * proj.m[i][c];
      view_proj.m[r][c] = sum;
    }
  cull_frame(gpu.frame, view_proj, curh, LandFluids::state.frame_surf);
  build_frame_meshes(f);
}

void draw_land() {
  if (!gpu.ready) return;
  bind_land_blend(1, gpu.high ? 0 : -1, gpu.blend);
  bind_cell_texture(2, grndTex);
  bind_cell_texture(4, gpu.detail);
  bind_cell_texture(5, hmapTex);
  set_mesh_constants();
  if (gpu.near_count) {
    set_shader(gpu.land_inst);
    set_vdecl(gpu.near_decl);
    set_vb(0, gpu.patch_vb, 0, 8);
    set_vb(1, gpu.near_vb, 0, sizeof(NearCellInstance));
    set_ib(gpu.patch_ib);
    set_instancing(gpu.near_count);
    draw_indexed(PRIM_TRILIST, 0, 0, PATCH_VERTICES, 0, PATCH_INDICES / 3);
    set_instancing(0);
    set_vb(1, nullptr, 0, 0);
  }
  if (gpu.land_indices) {
    set_shader(gpu.land);
    set_vdecl(gpu.grid_decl);
    set_vb(0, gpu.grid_vb, 0, sizeof(LandGridVertex));
    set_ib(gpu.land_ib);
    draw_indexed(PRIM_TRILIST, 0, 0, GRID * GRID, 0, gpu.land_indices / 3);
  }
}

void draw_water(float k) {
  (void)k;
  if (!gpu.ready) return;
  if (gpu.high)
    set_blend_first_target_alpha();
  else
    set_blend_alpha();
  draw_fluid(0, gpu.water, gpu.foam);
  set_blend_none();
  set_color_write_mask(15);
}

void draw_lava(float k) {
  (void)k;
  if (!gpu.ready) return;
  draw_fluid(1, gpu.lava_sh, gpu.lava);
}

void draw_horizon() {
  if (!gpu.ready || !gpu.high || !gpu.horizon_indices) return;
  bind_land_blend(1, -1, gpu.blend);
  bind_cell_texture(2, grndTex);
  set_mesh_constants();
  set_shader(gpu.horizon);
  set_vdecl(gpu.grid_decl);
  set_vb(0, gpu.horizon_vb, 0, sizeof(LandGridVertex));
  set_ib(gpu.horizon_ib);
  draw_indexed(PRIM_TRILIST, 0, 0, HORIZON * HORIZON, 0, gpu.horizon_indices / 3);
}
