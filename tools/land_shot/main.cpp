// land_shot KIND SEED QUALITY OUT.png [X Y Z YAW PITCH [UPDATES [FRAME_T]]]:
// generates a world of the given kind ("islands", "volcanic", ...) with the
// game's world script, runs UPDATES fluid steps (default 40) through the
// terrain renderer, and draws the terrain from the camera at (X, Y, Z)
// looking along YAW and PITCH (degrees; pitch down is positive) into a
// 1280 x 720 PNG, headless, through the game's scene pipeline at quality 0
// (forward) or 1 (deferred), with the world map beside it (OUT.png.map.png).
// SUN, when given, is the sun's angle from the zenith in degrees, with the sun
// ahead of the camera (90: on the horizon in front of it).
// Prints the time of an update with its frame and of the last frame.
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
#include "render/headless_device.h"
#include "render/land_render.h"
#include "render/render_state.h"
#include "render/shaders.h"
#include "render/textures.h"
#include "render/postfx.h"
#include "render/scene_image.h"
#include "render/scene_render.h"
#include "render/sky.h"
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
}

bool write_png(const char* path, const uint32_t* px, int w, int h) {
  std::vector<uint8_t> rgb(size_t(w) * size_t(h) * 3);
  for (size_t i = 0; i < size_t(w) * size_t(h); i++) {
    rgb[i * 3] = uint8_t(px[i] >> 16);
    rgb[i * 3 + 1] = uint8_t(px[i] >> 8);
    rgb[i * 3 + 2] = uint8_t(px[i]);
  }
  return stbi_write_png(path, w, h, 3, rgb.data(), w * 3) != 0;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 && (argc < 10 || argc > 13)) {
    fprintf(stderr, "usage: land_shot KIND SEED QUALITY OUT.png [X Y Z YAW PITCH [UPDATES [FRAME_T [SUN]]]]\n");
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
  __m128 sun = _mm_setr_ps(0.5f, 0.8f, 0.3f, 0.f);
  if (argc >= 13) {
    float zenith = float(atof(argv[12])) * 0.0174533f, yaw = cam[3] * 0.0174533f;
    sun = _mm_setr_ps(std::sin(zenith) * std::sin(yaw), std::cos(zenith), std::sin(zenith) * std::cos(yaw), 0.f);
  }

  init_app_path();
  SDL_Window* window = open_headless_device(WIDTH, HEIGHT, "land_shot");
  if (!window) return 2;

  SqReloadableVM world_vm;
  if (!open_world_gen_machine(world_vm, "gen/main.nut")) return 2;
  game_rnd_seed = seed;
  generate_world_in(world_vm.vm, kind);
  world_vm.close();

  set_camera(cam[0], cam[1], cam[2], cam[3], cam[4]);
  if (!create_scene_image()) return 2;
  if (gfx_quality == 1) init_deferred_scene();
  init_sky();
  set_sun_dir(sun, true);
  init_postfx();
  init_land_render();
  ScenePasses passes = {};
  passes.prepare_land = prepare_land_render;
  passes.draw_land = draw_land;
  passes.draw_water = draw_water;
  passes.draw_lava = draw_lava;
  passes.draw_horizon = draw_horizon;
  set_scene_passes(passes);
  // Updates with a frame after each, as the game runs them.
  int64_t t0 = get_ref_time();
  for (int i = 0; i < updates; i++) {
    update_land_render(0.05f);
    HeightmapData::updateHmap(0.05f);
    HeightmapData::simWater(0.05f);
    update_sky();
    if (begin_scene()) {
      render_scene(0.f);
      compose_frame();
      end_scene();
    }
  }
  flush_gpu();
  int64_t t1 = get_ref_time();
  if (!begin_scene()) return 3;
  render_scene(frame_t);
  compose_frame();
  std::vector<uint32_t> px(size_t(WIDTH) * HEIGHT);
  read_back_buffer_pixels(px.data());
  end_scene();
  flush_gpu();
  int64_t t2 = get_ref_time();
  write_png(out, px.data(), WIDTH, HEIGHT);
  std::vector<uint32_t> map(512 * 512);
  read_texture_pixels(HeightmapRenderer::mapTex, map.data());
  write_png((std::string(out) + ".map.png").c_str(), map.data(), 512, 512);
  printf("update + frame %.1f ms each, last frame %.1f ms\n", get_time_usec(t1 - t0) / 1000.0 / std::max(updates, 1),
         get_time_usec(t2 - t1) / 1000.0);
  close_land_render();
  close_postfx();
  close_sky();
  close_deferred_scene();
  release_scene_image();
  close_headless_device(window, false);
  return 0;
}
