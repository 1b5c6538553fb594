#include "tests/render/object_test_util.h"
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <cstdio>
#include <fstream>
#include <sstream>
#include "render/render_state.h"
#include "render/scene_view.h"
#include "render/shaders.h"
#include "render/sky.h"
#include "tests/render/render_test_env.h"
#include "tests/render/scene_test_data.h"

namespace {
std::string read_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
}  // namespace

void copy_game_shaders() {
  copy_scene_data_files();
  static const char* files[] = {
      "shaders/inst_common.sh",      "shaders/inst_forward_ps.sh",  "shaders/inst_deferred_ps.sh",
      "shaders/inst_simple_vs.sh",   "shaders/inst_morph_vs.sh",    "shaders/inst_spline_vs.sh",
      "shaders/inst_building_vs.sh", "shaders/inst_simple.sh",      "shaders/inst_morph.sh",
      "shaders/inst_spline.sh",      "shaders/inst_building.sh",    "shaders/dr_inst_simple.sh",
      "shaders/dr_inst_morph.sh",    "shaders/dr_inst_spline.sh",   "shaders/dr_inst_building.sh",
      "dr_shadow.sh"};
  for (const char* f : files) {
    std::string text = read_text(std::string(EH_DATA_SOURCE_DIR) + "/" + f);
    ASSERT_FALSE(text.empty()) << f;
    write_test_file(f, text);
  }
}

void write_test_bytes(const std::string& name, const std::vector<uint8_t>& bytes) {
  mkdir((RenderTestEnv::folder + "meshes").c_str(), 0755);
  FILE* f = fopen((RenderTestEnv::folder + name).c_str(), "wb");
  ASSERT_NE(f, nullptr);
  fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
}

std::string write_test_mesh(const std::string& name, const meshgen::MeshBuilder& m, meshgen::InstLayout layout) {
  std::string file = "meshes/" + name + ".mesh";
  write_test_bytes(file, meshgen::encode_mesh(m, meshgen::mesh_file_for(layout)));
  return file;
}

meshgen::MeshBuilder unit_cube() {
  meshgen::MeshBuilder m;
  m.box(meshgen::v3(-0.5f, 0, -0.5f), meshgen::v3(0.5f, 1, 0.5f), meshgen::rgb(0.5f, 0.5f, 0.5f));
  m.ball(meshgen::v3(0, 0.5f, 0), 0.5f);
  return m;
}

void set_top_down_view(float height) {
  // Camera at (32, height, 32) looking down -y with a 90 degree field of
  // view, +x to the right and +z up the image, so the ground's cell (x, z)
  // fills pixel (x, 63 - z) when height is 32.
  const float zn = 0.1f, zf = 512;
  Matrix44 view = {{{1, 0, 0, 0}, {0, 0, -1, 0}, {0, 1, 0, 0}, {-32, -32, height, 1}}};
  Matrix44 proj = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, zf / (zf - zn), 1}, {0, 0, -zn * zf / (zf - zn), 0}}};
  set_view_tm(view);
  set_proj_tm(proj);
  publish_scene_view();
  load_view_constants();
  // Noon light from the default palette, no fog.
  SkyPalette pal = default_sky_palette;
  derive_sky_entries(pal);
  const float sun[4] = {0, 1, 0, 0.9397f}, fog_off[4] = {0, 0, 0, 0};
  set_vs_const(VS_SUN_DIR, sun, 1);
  set_vs_const(VS_SKY_PALETTE, &pal.entry[0][0], SKY_PALETTE_SIZE);
  set_vs_const(VS_FOG, fog_off, 1);
  set_ps_const(PS_SUN_DIR, sun, 1);
  set_ps_const(PS_SKY_PALETTE, &pal.entry[0][0], SKY_PALETTE_SIZE);
  set_ps_const(PS_CAMERA_POS, cur_view_itm.m[3], 1);
  set_ps_const(PS_FOG, fog_off, 1);
}
