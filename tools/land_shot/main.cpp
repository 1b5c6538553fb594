// land_shot KIND SEED QUALITY OUT.png [X Y Z YAW PITCH [UPDATES [FRAME_T]]]:
// generates a world of the given kind ("islands", "volcanic", ...) with the
// game's world script, runs UPDATES fluid steps (default 40) through the
// terrain renderer, and draws the terrain from the camera at (X, Y, Z)
// looking along YAW and PITCH (degrees; pitch down is positive) into a
// 1280 x 720 PNG, headless. Quality 0 draws the forward shaders; quality 1
// shows the deferred shaders' colour buffer lit by a plain light.
// Prints the time of the steps measured.
#include <SDL2/SDL.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include <algorithm>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#include "app/app_globals.h"
#include "core/debug.h"
#include "core/paths.h"
#include "core/ref_time.h"
#include "render/device.h"
#include "render/land_render.h"
#include "render/render_state.h"
#include "render/shaders.h"
#include "render/textures.h"
#include "script/sq_reloadable_vm.h"
#include "script/world_generation.h"
#include "terrain/game_random.h"
#include "terrain/heightmap_data.h"

namespace {
constexpr int WIDTH = 1280, HEIGHT = 720;

void set_camera(float x, float y, float z, float yaw_deg, float pitch_deg) {
  float yaw = yaw_deg * 0.0174533f, pitch = pitch_deg * 0.0174533f;
  float f[3] = {std::sin(yaw) * std::cos(pitch), -std::sin(pitch), std::cos(yaw) * std::cos(pitch)};
  float r[3] = {std::cos(yaw), 0.f, -std::sin(yaw)};
  float u[3] = {f[1] * r[2] - f[2] * r[1], f[2] * r[0] - f[0] * r[2], f[0] * r[1] - f[1] * r[0]};
  float p[3] = {x, y, z};
  Matrix44 v = {};
  for (int i = 0; i < 3; i++) {
    v.m[i][0] = r[i];
    v.m[i][1] = u[i];
    v.m[i][2] = f[i];
  }
  for (int j = 0; j < 3; j++) {
    const float* axis = j == 0 ? r : j == 1 ? u : f;
    v.m[3][j] = -(p[0] * axis[0] + p[1] * axis[1] + p[2] * axis[2]);
  }
  v.m[3][3] = 1.f;
  set_view_tm(v);
  set_proj_tm(1.2915436f, float(WIDTH) / float(HEIGHT), 0.1f, 512.f);
  Matrix44 g;
  get_glob_tm(g);
  float cols[4][4];
  for (int c = 0; c < 4; c++)
    for (int k = 0; k < 4; k++) cols[c][k] = g.m[k][c];
  set_vs_const(0, &cols[0][0], 4);
  const float cam[4] = {x, y, z, 1.f};
  set_vs_const(10, cam, 1);
}

// A plain afternoon light: sun, sky, water absorption, haze.
void set_light() {
  float sun[4] = {0.5f, 0.75f, 0.35f, 0.94f};
  float n = std::sqrt(sun[0] * sun[0] + sun[1] * sun[1] + sun[2] * sun[2]);
  for (int i = 0; i < 3; i++) sun[i] /= n;
  set_vs_const(30, sun, 1);
  const float palette[4][4] = {{1.05f, 0.98f, 0.88f, 0}, {0.42f, 0.5f, 0.62f, 0}, {0.45f, 0.15f, 0.06f, 0},
                               {0.62f, 0.72f, 0.85f, 0}};
  set_vs_const(31, &palette[0][0], 4);
  const float fog[4] = {1, 0, 0, 0};
  set_vs_const(8, fog, 1);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 && argc != 10 && argc != 11 && argc != 12) {
    fprintf(stderr, "usage: land_shot KIND SEED QUALITY OUT.png [X Y Z YAW PITCH [UPDATES [FRAME_T]]]\n");
    return 1;
  }
  const char* kind = argv[1];
  uint64_t seed = strtoull(argv[2], nullptr, 0);
  gfx_quality = atoi(argv[3]) ? 1 : 0;
  const char* out = argv[4];
  float cam[5] = {128.f, 60.f, 40.f, 0.f, 25.f};
  if (argc >= 10)
    for (int i = 0; i < 5; i++) cam[i] = float(atof(argv[5 + i]));
  int updates = argc >= 11 ? atoi(argv[10]) : 40;
  float frame_t = argc >= 12 ? float(atof(argv[11])) : 0.025f;

  if (!getenv("DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 0);
  init_app_path();
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 2;
  set_device_window_attributes();
  SDL_Window* window = SDL_CreateWindow("land_shot", 0, 0, WIDTH, HEIGHT, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!window || !init_d3d(window, WIDTH, HEIGHT)) return 2;

  SqReloadableVM world_vm;
  if (!open_world_gen_machine(world_vm, "gen/main.nut")) return 2;
  game_rnd_seed = seed;
  generate_world_in(world_vm.vm, kind);
  world_vm.close();

  set_camera(cam[0], cam[1], cam[2], cam[3], cam[4]);
  init_land_render();
  int64_t t0 = get_ref_time();
  for (int i = 0; i < updates; i++) {
    update_land_render(0.05f);
    HeightmapData::updateHmap(0.05f);
    HeightmapData::simWater(0.05f);
    set_light();
    prepare_land_render(0.f);
  }
  flush_gpu();
  int64_t t1 = get_ref_time();
  if (getenv("FLUID_STATS")) {
    double foam = 0, speed = 0;
    int wet = 0;
    for (int i = 0; i < HeightmapData::HMAP_CELLS; i++) {
      const HeightmapData::Water& w = HeightmapData::water_at(i);
      if (w.amount <= 0.01f) continue;
      wet++;
      foam += w.foam;
      speed += std::sqrt(w.vel_x * w.vel_x + w.vel_z * w.vel_z);
    }
    printf("%d wet cells, mean foam %.3f, mean speed %.3f\n", wet, foam / std::max(wet, 1), speed / std::max(wet, 1));
  }
  Texture* scene = create_scene_texture();
  if (!begin_scene()) return 3;
  set_light();
  prepare_land_render(frame_t);
  int64_t t2 = get_ref_time();
  set_render_target(scene, 0, true);
  clear_view(0xFF9EB8D8);
  set_zenable(true);
  set_zwrite(true);
  set_cull_mode(0);
  draw_land();
  if (!getenv("NO_WATER")) draw_water(frame_t * 20.f);
  draw_lava(frame_t * 20.f);
  if (gfx_quality) draw_horizon();
  std::vector<uint32_t> px(size_t(WIDTH) * HEIGHT);
  read_texture_pixels(scene, px.data());
  end_scene();
  int64_t t3 = get_ref_time();
  std::vector<uint8_t> rgb(px.size() * 3);
  for (size_t i = 0; i < px.size(); i++) {
    rgb[i * 3] = uint8_t(px[i] >> 16);
    rgb[i * 3 + 1] = uint8_t(px[i] >> 8);
    rgb[i * 3 + 2] = uint8_t(px[i]);
  }
  stbi_write_png(out, WIDTH, HEIGHT, 3, rgb.data(), WIDTH * 3);
  if (argc >= 0) {
    std::vector<uint32_t> map(512 * 512);
    read_texture_pixels(HeightmapRenderer::mapTex, map.data());
    std::vector<uint8_t> m(map.size() * 3);
    for (size_t i = 0; i < map.size(); i++) {
      m[i * 3] = uint8_t(map[i] >> 16);
      m[i * 3 + 1] = uint8_t(map[i] >> 8);
      m[i * 3 + 2] = uint8_t(map[i]);
    }
    std::string map_path = std::string(out) + ".map.png";
    stbi_write_png(map_path.c_str(), 512, 512, 3, m.data(), 512 * 3);
  }
  printf("updates and their frames %.2f ms each, prepare %.2f ms, draw %.2f ms\n", get_time_usec(t1 - t0) / 1000.0 / std::max(updates, 1),
         get_time_usec(t2 - t1) / 1000.0, get_time_usec(t3 - t2) / 1000.0);
  close_land_render();
  release_texture(scene);
  close_d3d();
  return 0;
}
