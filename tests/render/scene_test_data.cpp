#include "tests/render/scene_test_data.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include "app/app_globals.h"
#include "render/buffers.h"
#include "render/draw.h"
#include "render/render_state.h"
#include "render/shaders.h"
#include "render/vertex_decl.h"
#include "tests/render/render_test_env.h"

// The flat shader's colour register.
constexpr int FLAT_COLOUR = 20;

namespace {
const char* LAND_SHADER =
    "#version 330 core\n"
    "#include \"scene_common.inc\"\n"
    "#define FLAT_COLOUR 20\n"
    "#include \"gbuffer.inc\"\n"
    "#ifdef VSH\n"
    "layout(location = ATTR_POSITION) in vec3 pos;\n"
    "out vec3 world;\n"
    "out float depth;\n"
    "void main() {\n"
    "  world = pos;\n"
    "  depth = dot(vec4(pos, 1.0), vs_c[VS_VIEW_DEPTH]);\n"
    "#ifdef FLAT\n"
    "  gl_Position = vec4(pos, 1.0);\n"
    "#else\n"
    "  gl_Position = world_to_clip(pos);\n"
    "#endif\n"
    "}\n"
    "#endif\n"
    "#ifdef PSH\n"
    "in vec3 world;\n"
    "in float depth;\n"
    "const vec3 ALBEDO = vec3(0.2, 0.6, 0.2);\n"
    "#ifdef DEFERRED\n"
    "layout(location = 0) out vec4 g0;\n"
    "layout(location = 1) out vec4 g1;\n"
    "layout(location = 2) out vec4 g2;\n"
    "void main() { g0 = vec4(ALBEDO, 0.0); g1 = gbuffer_normal_depth(vec3(0.0, 1.0, 0.0), depth);"
    " g2 = vec4(1.0, 1.0, 0.0, 0.0); }\n"
    "#elif defined(FLAT)\n"
    "out vec4 colour;\n"
    "void main() { colour = ps_c[FLAT_COLOUR]; }\n"
    "#else\n"
    "out vec4 colour;\n"
    "void main() { colour = vec4(scene_haze(scene_light(ALBEDO, vec3(0.0, 1.0, 0.0), 1.0, 1.0), world), 1.0); }\n"
    "#endif\n"
    "#endif\n";

Shader* forward_shader = nullptr;
Shader* deferred_shader = nullptr;
Shader* flat_shader = nullptr;
BufferRecord* land_vb = nullptr;
VertexDecl* land_decl = nullptr;
}  // namespace

void copy_scene_data_files() {
  const char* files[] = {"sky.nut", "sky.sh", "scene_common.inc", "gbuffer.inc", "postfx_quad.inc", "mlaa.inc", "mlaa_runs.inc",
                         "postfx_main.sh", "postfx_bloom.sh", "postfx_none.sh", "mlaa_edge.sh", "mlaa_rows.sh", "mlaa_cols.sh",
                         "mlaa_combine.sh", "dr_final.sh", "dr_calc_light.sh", "dr_shadow_blur.sh",
                         "warpEffect.sh", "shader_constants.h"};
  for (const char* f : files) {
    std::ifstream in(std::string(EH_DATA_SOURCE_DIR) + "/" + f, std::ios::binary);
    ASSERT_TRUE(in.good()) << f;
    std::stringstream text;
    text << in.rdbuf();
    write_test_file(f, text.str());
  }
  write_test_file("test_land.sh", LAND_SHADER);
}

void init_test_land() {
  forward_shader = create_shader("test_land.sh", nullptr);
  deferred_shader = create_shader("test_land.sh", "DEFERRED\0 1\0");
  flat_shader = create_shader("test_land.sh", "FLAT\0 1\0");
  land_vb = create_vb(2 * 36, 0);
  const VDeclElem layout[] = {{0, 0, VDECL_FLOAT3, VDECL_POSITION, 0}, {0, VDECL_END_STREAM, 0, 0, 0}};
  land_decl = get_vdecl(layout);
}

void close_test_land() {
  destroy_shader(forward_shader);
  destroy_shader(deferred_shader);
  destroy_shader(flat_shader);
  free_vb(land_vb);
}

static void draw_triangles(Shader* shader, const float* xyz, int count) {
  memcpy(lock_vb(land_vb, 0, count * 36), xyz, size_t(count) * 36);
  unlock_vb(land_vb);
  set_cull_mode(0);
  set_shader(shader);
  set_vdecl(land_decl);
  set_vb(0, land_vb, 0, 12);
  draw_prim(PRIM_TRILIST, 0, count);
}

void draw_test_land() {
  const float s = 400.f;
  const float quad[6][3] = {{-s, 0, s}, {s, 0, s}, {-s, 0, -s}, {s, 0, s}, {s, 0, -s}, {-s, 0, -s}};
  draw_triangles(gfx_quality == 1 ? deferred_shader : forward_shader, &quad[0][0], 2);
}

void draw_flat_triangles(const float* xyz, int count, float grey) {
  float c[4] = {grey, grey, grey, 1.f};
  set_ps_const(FLAT_COLOUR, c, 1);
  draw_triangles(flat_shader, xyz, count);
}
