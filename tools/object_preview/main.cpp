// object_preview OUT.png [SEED [QUALITY [CLOSE]]]: generates a game world, places a
// forest, a castle, a village and the other object meshes on it, and renders
// one frame from a flying camera through the game's scene (quality 1: the
// deferred pipeline with ball shadows; 0: forward), headless, with the
// terrain renderer's land, water and horizon.
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#include "app/app_globals.h"
#include "core/debug.h"
#include "core/paths.h"
#include "render/buffers.h"
#include "render/device.h"
#include "render/draw.h"
#include "render/headless_device.h"
#include "render/dyn_vb_writer.h"
#include "render/inst_render.h"
#include "render/land_render.h"
#include "render/mesh.h"
#include "render/postfx.h"
#include "render/render_state.h"
#include "render/scene_image.h"
#include "render/scene_render.h"
#include "render/shaders.h"
#include "render/shadows.h"
#include "render/sky.h"
#include "render/textures.h"
#include "render/vertex_decl.h"
#include "script/sq_reloadable_vm.h"
#include "script/world_generation.h"
#include "terrain/game_random.h"
#include "terrain/heightmap_data.h"
#include "terrain/surface_color.h"

using namespace HeightmapData;

namespace {
const int WIDTH = 1280, HEIGHT = 720;
const float PI = 3.14159265f;



float height(int x, int z) { return hmap[cell_index(x, z)]; }
bool wet(int x, int z) { return std::fabs(water_at(cell_index(x, z)).amount) > 0.02f; }

float ground_at(float x, float z) {
  int ix = int(std::floor(x)), iz = int(std::floor(z));
  float fx = x - float(ix), fz = z - float(iz);
  float a = height(ix, iz), b = height(ix + 1, iz), c = height(ix, iz + 1), d = height(ix + 1, iz + 1);
  return (a * (1 - fx) + b * fx) * (1 - fz) + (c * (1 - fx) + d * fx) * fz;
}

D3dColor pack(float r, float g, float b) {
  auto c = [](float v) { return D3dColor(std::lround(std::fmin(std::fmax(v, 0.f), 1.f) * 255)); };
  return 0xFF000000 | c(r) << 16 | c(g) << 8 | c(b);
}

// ---- objects

struct Kind {
  const char* mesh;
  InstRender* render;
};
SimpleInstRender castle_wall, castle_tower, castle_gate, castle_keep, guard_tower, stones[3], stone_cup, menhirs[2],
    mana_gatherer, portal, burnt[2];
MorphInstRender trees[4];
SplineInstRender bird, wyvern;
BuildingInstRender houses[3];
std::vector<std::pair<InstRender*, std::vector<uint8_t>>> placed;  // records per renderer
struct Caster {
  InstRender* render;
  Matrix44 tm;
  float scale;
};
std::vector<Caster> casters;

uint64_t rng_state = 12345;
float rnd() {
  rng_state = rng_state * 6364136223846793005ull + 1442695040888963407ull;
  return float((rng_state >> 40) & 0xFFFFFF) / float(0x1000000);
}

void add_record(InstRender* r, const void* rec, int size) {
  for (auto& p : placed)
    if (p.first == r) {
      p.second.insert(p.second.end(), (const uint8_t*)rec, (const uint8_t*)rec + size);
      return;
    }
  placed.push_back({r, std::vector<uint8_t>((const uint8_t*)rec, (const uint8_t*)rec + size)});
}

Matrix44 turn_scale_tm(float x, float y, float z, float turn, float scale) {
  float c = std::cos(turn) * scale, s = std::sin(turn) * scale;
  return Matrix44{{{c, 0, -s, 0}, {0, scale, 0, 0}, {s, 0, c, 0}, {x, y, z, 1}}};
}

void place(SimpleInstRender& r, float x, float z, float turn, float scale, D3dColor tint = 0x80808080,
           float sink = 0.1f) {
  float y = ground_at(x, z) - sink * scale;
  SimpleInstance in = make_simple_instance(x, y, z, turn, scale, tint);
  add_record(&r, &in, sizeof(in));
  casters.push_back({&r, turn_scale_tm(x, y, z, turn, scale), scale});
}

void place_tree(MorphInstRender& r, float x, float z, float turn, float scale, D3dColor tint, float burnt) {
  float y = ground_at(x, z) - 0.05f;
  MorphInstance in{make_simple_instance(x, y, z, turn, scale, tint), D3dColor(std::lround(burnt * 255)) << 16};
  add_record(&r, &in, sizeof(in));
  casters.push_back({&r, turn_scale_tm(x, y, z, turn, scale), scale});
}

// A body curve from tail to head at a heading, rising, with a bend.
void place_flyer(SplineInstRender& r, float x, float y, float z, float heading, float length, float bend,
                 float beat, float half_width, float scale, D3dColor tint) {
  SplineInstance in{};
  float fx = std::sin(heading), fz = std::cos(heading), sx = fz, sz = -fx;
  for (int i = 0; i < 4; i++) {
    float t = float(i) / 3 - 0.5f;
    float side = bend * (t * t * 4 - 1) * 0.5f;
    in.points[i][0] = x + fx * t * length + sx * side;
    in.points[i][1] = y + t * length * 0.15f;
    in.points[i][2] = z + fz * t * length + sz * side;
  }
  in.up[0] = in.up[1] = pack_inst_row(0, 1, 0) | 0xFF000000;
  in.tint = tint;
  auto byte = [](float v) { return D3dColor(std::lround(std::fmin(std::fmax(v, 0.f), 1.f) * 255)); };
  in.shape = byte(scale / 4) << 24 | byte(beat * 0.5f + 0.5f) << 16 | byte(half_width / 2) << 8;
  add_record(&r, &in, sizeof(in));
  Matrix44 tm = turn_scale_tm(x, y, z, heading, scale);
  casters.push_back({&r, tm, scale});
}

// Flattest dry 16 x 16 area within reach of the map's middle.
void find_castle_site(float& cx, float& cz) {
  float best = 1e9f;
  for (int z = 40; z < 216; z += 4)
    for (int x = 40; x < 216; x += 4) {
      float lo = 1e9f, hi = -1e9f;
      bool dry = true;
      for (int dz = -8; dz <= 8; dz += 2)
        for (int dx = -8; dx <= 8; dx += 2) {
          float h = height(x + dx, z + dz);
          lo = std::fmin(lo, h), hi = std::fmax(hi, h);
          dry = dry && !wet(x + dx, z + dz) && surface[cell_index(x + dx, z + dz)].ground != GT_HOUSE;
        }
      float score = hi - lo + std::fabs(float(x) - 128) * 0.01f + std::fabs(float(z) - 128) * 0.01f;
      if (dry && score < best) best = score, cx = float(x), cz = float(z);
    }
}

void place_world(float cx, float cz) {
  // The castle: keep in the middle, towers at the corners, walls between,
  // the gate facing the camera (-z).
  const float half = 7;
  place(castle_keep, cx, cz, 0, 1, 0x80808080, 0.3f);
  for (int i = 0; i < 4; i++) place(castle_tower, cx + (i & 1 ? half : -half), cz + (i & 2 ? half : -half), 0, 1);
  for (int side = 0; side < 4; side++)
    for (int k = -1; k <= 1; k++) {
      float along = float(k) * 3.5f * 1.0f;
      float x = side < 2 ? cx + along : cx + (side == 2 ? -half : half);
      float z = side < 2 ? cz + (side == 0 ? -half : half) : cz + along;
      float turn = side < 2 ? 0 : PI / 2;
      if (side == 0 && k == 0)
        place(castle_gate, x, z, turn, 1);
      else
        place(castle_wall, x, z, turn, 0.9f);
    }
  place(guard_tower, cx - 16, cz - 10, 0.4f, 1);
  place(guard_tower, cx + 18, cz + 4, 0.1f, 1);
  place(mana_gatherer, cx + 10, cz - 16, 0, 1);
  place(portal, cx - 9, cz - 20, 0.3f, 1);
  place(stone_cup, cx + 4, cz - 13, 0, 1);
  // A ring of standing stones.
  for (int i = 0; i < 9; i++) {
    float a = 2 * PI * float(i) / 9;
    place(menhirs[i % 2], cx - 24 + std::cos(a) * 5, cz + 6 + std::sin(a) * 5, a + PI / 2, 0.9f + 0.2f * rnd(), 0x80808080,
          0.2f);
  }
  // Forest: clumps on dry soil around the castle, conifers higher up,
  // broadleaves lower; a burnt patch.
  int count = 0;
  for (int tries = 0; tries < 30000 && count < 2600; tries++) {
    float x = cx + (rnd() - 0.5f) * 150, z = cz + (rnd() - 0.5f) * 150;
    if (std::fabs(x - cx) < 11 && std::fabs(z - cz) < 11) continue;
    if (std::fabs(x - cx + 24) < 7 && std::fabs(z - cz - 6) < 7) continue;
    if (z < cz - 9 && std::fabs(x - cx) < 26 && z > cz - 34) continue;  // the open field before the gate
    int ix = int(x), iz = int(z);
    if (wet(ix, iz) || wet(ix + 1, iz) || wet(ix, iz + 1)) continue;
    const Surface& s = surface[cell_index(ix, iz)];
    if (s.ground == GT_HOUSE || s.ground == GT_ROCK) continue;
    float clump = std::sin(x * 0.11f) * std::cos(z * 0.13f) + std::sin((x + z) * 0.05f);
    if (clump < 0.1f + rnd() * 0.5f) continue;
    float h = height(ix, iz);
    bool conifer = h > 6 + rnd() * 6 || rnd() < 0.25f;
    bool burnt_patch = (x - cx - 30) * (x - cx - 30) + (z - cz - 25) * (z - cz - 25) < 120;
    float scale = 0.8f + rnd() * 0.6f;
    D3dColor tint = pack(0.42f + rnd() * 0.16f, 0.44f + rnd() * 0.14f, 0.4f + rnd() * 0.1f) & 0x00FFFFFF;
    place_tree(trees[(conifer ? 0 : 2) + (rnd() < 0.4f)], x, z, rnd() * 2 * PI, scale, tint | 0x80000000,
               burnt_patch ? 0.6f + rnd() * 0.4f : 0);
    count++;
  }
  // Stones on rocky ground and strewn about.
  for (int i = 0; i < 500; i++) {
    float x = cx + (rnd() - 0.5f) * 150, z = cz + (rnd() - 0.5f) * 150;
    int ix = int(x), iz = int(z);
    if (wet(ix, iz) || (surface[cell_index(ix, iz)].ground != GT_ROCK && rnd() < 0.8f)) continue;
    place(stones[i % 3], x, z, rnd() * 2 * PI, 0.6f + rnd() * 1.2f, 0x80808080, 0.3f);
  }
  // Houses on the village cells the world generator marked.
  for (int z = int(cz) - 80; z < int(cz) + 80; z++)
    for (int x = int(cx) - 80; x < int(cx) + 80; x++) {
      const Surface& s = surface[cell_index(x, z)];
      if (s.ground != GT_HOUSE) continue;
      BuildingInstance in{{int16_t(x), int16_t(z)}, {height(x, z), float((x * 7 + z * 3) % 4) * PI / 2, 1.0f, 0}, 0x80808080};
      add_record(&houses[(x * 5 + z * 11) % 3], &in, sizeof(in));
    }
  // Birds over the field, a wyvern circling the castle.
  for (int i = 0; i < 7; i++)
    place_flyer(bird, cx - 6 + float(i % 4) * 2.2f, ground_at(cx, cz) + 9 + float(i % 3), cz - 14 + float(i / 4) * 2.5f,
                0.7f + 0.1f * float(i), 1, 0.1f, i & 1 ? 0.6f : -0.4f, 0.06f, 1.0f, 0x80808080);
  place_flyer(wyvern, cx + 6, ground_at(cx, cz) + 12, cz - 6, -1.1f, 5, 1.2f, -0.3f, 0.3f, 1.6f, 0x80808080);
}

void render_objects(float) {
  for (auto& p : placed) {
    int stride = p.first->getInstStride();
    memcpy(p.first->addInstances(int(p.second.size()) / stride), p.second.data(), p.second.size());
    p.first->render();
  }
}

void render_object_shadows(float) {
  for (const Caster& c : casters) c.render->renderShadowBalls(c.tm, c.scale);
}

bool init_objects() {
  const char* tree_names[4] = {"meshes/tree_conifer1.mesh", "meshes/tree_conifer2.mesh", "meshes/tree_broadleaf1.mesh",
                               "meshes/tree_broadleaf2.mesh"};
  for (int i = 0; i < 4; i++) trees[i].init(tree_names[i]);
  castle_wall.init("meshes/castle_wall1.mesh");
  castle_tower.init("meshes/castle_tower1.mesh");
  castle_gate.init("meshes/castle_gate1.mesh");
  castle_keep.init("meshes/castle_keep1.mesh");
  guard_tower.init("meshes/guard_tower1.mesh");
  stones[0].init("meshes/stone1.mesh");
  stones[1].init("meshes/stone2.mesh");
  stones[2].init("meshes/stone3.mesh");
  stone_cup.init("meshes/stone_cup.mesh");
  menhirs[0].init("meshes/menhir1.mesh");
  menhirs[1].init("meshes/menhir2.mesh");
  mana_gatherer.init("meshes/mana_gatherer.mesh");
  portal.init("meshes/portal.mesh");
  bird.init("meshes/bird_body.mesh");
  wyvern.init("meshes/wyvern_body.mesh");
  houses[0].init("meshes/house1.mesh");
  houses[1].init("meshes/house2.mesh");
  houses[2].init("meshes/house3.mesh");
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 5) {
    fprintf(stderr, "usage: object_preview OUT.png [SEED [QUALITY [CLOSE]]]\n");
    return 1;
  }
  uint64_t seed = argc > 2 ? strtoull(argv[2], nullptr, 0) : 7;
  gfx_quality = argc > 3 ? atoi(argv[3]) : 1;
  use_postfx = gfx_quality == 1;
  use_fog = true;
  init_app_path();

  SqReloadableVM world_vm;
  if (!open_world_gen_machine(world_vm, "gen/main.nut")) {
    fprintf(stderr, "can't load the world script\n");
    return 2;
  }
  game_rnd_seed = seed;
  generate_world_in(world_vm.vm, "game");
  world_vm.close();

  if (!open_headless_device(WIDTH, HEIGHT, "object preview")) return 3;
  common_vb_writer.init(COMMON_VB_SIZE);
  create_scene_image();
  if (gfx_quality == 1) init_deferred_scene();
  init_sky();
  init_postfx();
  init_land_render();
  init_shadows();

  float cx = 128, cz = 128;
  find_castle_site(cx, cz);

  init_objects();
  place_world(cx, cz);

  ScenePasses passes = {};
  passes.prepare_land = prepare_land_render;
  passes.draw_land = draw_land;
  passes.draw_water = draw_water;
  passes.draw_lava = draw_lava;
  passes.draw_horizon = draw_horizon;
  passes.render_objects = render_objects;
  passes.render_object_shadows = render_object_shadows;
  passes.start_shadows = start_render_shadows;
  passes.end_shadows = end_render_shadows;
  set_scene_passes(passes);

  // Afternoon sun from the north-east, shadows towards the camera, which
  // flies in from the south.
  set_sun_dir(_mm_setr_ps(0.6f, 0.5f, 0.45f, 0), true);
  blend_sky(1);
  // CLOSE 1: a low pass by the gate instead of the wide view.
  bool close_view = argc > 4 && atoi(argv[4]) != 0;
  float eye[3] = {cx - 8, ground_at(cx, cz) + 16, cz - 34};
  if (close_view) eye[0] = cx - 4, eye[1] = ground_at(cx, cz) + 6, eye[2] = cz - 19;
  float at[3] = {cx + 2, ground_at(cx, cz) + 1, cz + 2};
  float f[3] = {at[0] - eye[0], at[1] - eye[1], at[2] - eye[2]};
  float fl = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
  for (float& v : f) v /= fl;
  float r[3] = {f[2], 0, -f[0]};
  float rl = std::sqrt(r[0] * r[0] + r[2] * r[2]);
  r[0] /= rl, r[2] /= rl;
  float u[3] = {f[1] * r[2] - f[2] * r[1], f[2] * r[0] - f[0] * r[2], f[0] * r[1] - f[1] * r[0]};
  // World to camera: the transposed camera axes with the eye turned back.
  Matrix44 view = {{{r[0], u[0], f[0], 0}, {r[1], u[1], f[1], 0}, {r[2], u[2], f[2], 0}, {0, 0, 0, 1}}};
  for (int c = 0; c < 3; c++)
    view.m[3][c] = -(eye[0] * view.m[0][c] + eye[1] * view.m[1][c] + eye[2] * view.m[2][c]);
  set_view_tm(view);
  set_proj_tm(1.2915436f, float(WIDTH) / float(HEIGHT), 0.1f, 512.f);

  // A few updates so the land and its fluids settle on the GPU.
  for (int i = 0; i < 10; i++) {
    update_land_render(0.05f);
    HeightmapData::updateHmap(0.05f);
    HeightmapData::simWater(0.05f);
    if (begin_scene()) {
      render_scene(0.f);
      end_scene();
    }
  }
  begin_scene();
  render_scene(0.05f);
  compose_frame();
  std::vector<uint32_t> px(size_t(WIDTH) * HEIGHT);
  read_back_buffer_pixels(px.data());
  end_scene();
  std::vector<uint8_t> rgb(size_t(WIDTH) * HEIGHT * 3);
  for (size_t i = 0; i < px.size(); i++) {
    rgb[i * 3] = uint8_t(px[i] >> 16), rgb[i * 3 + 1] = uint8_t(px[i] >> 8), rgb[i * 3 + 2] = uint8_t(px[i]);
  }
  if (!stbi_write_png(argv[1], WIDTH, HEIGHT, 3, rgb.data(), WIDTH * 3)) return 4;
  int instances = 0;
  for (auto& p : placed) instances += int(p.second.size()) / p.first->getInstStride();
  printf("castle at (%.0f, %.0f), %d instances in %d kinds, %d shadow casters -> %s\n", cx, cz, instances,
         int(placed.size()), int(casters.size()), argv[1]);
  return 0;
}
