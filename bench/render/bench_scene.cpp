// The scene pipeline on the real (headless) device at 1280 x 720: the CPU
// time of render_scene + compose_frame per frame (the GPU works behind it),
// and the whole frame with the GPU waited for, as frames per second. The
// scene is one ground plane below the sky, so the figures are the pipeline's
// own, without the terrain renderer.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include "bench/headless_device.h"
#include <cstdlib>
#include <cstring>
#include "app/app_globals.h"
#include "core/paths.h"
#include "render/buffers.h"
#include "render/device.h"
#include "render/draw.h"
#include "render/postfx.h"
#include "render/render_state.h"
#include "render/scene_image.h"
#include "render/scene_render.h"
#include "render/shaders.h"
#include "render/sky.h"
#include "render/vertex_decl.h"

namespace {
// The data folder beside the executable gives the shaders; the ground's
// own shader lives in the system's temporary folder.
const char* GROUND_SHADER =
    "#version 330 core\n#include \"scene_common.inc\"\n#include \"gbuffer.inc\"\n"
    "#ifdef VSH\nlayout(location = ATTR_POSITION) in vec3 pos;\nout vec3 w;\n"
    "void main() { w = pos; gl_Position = world_to_clip(pos); }\n#endif\n"
    "#ifdef PSH\nin vec3 w;\n"
    "#ifdef DEFERRED\nlayout(location = 0) out vec4 g0;\nlayout(location = 1) out vec4 g1;\n"
    "layout(location = 2) out vec4 g2;\nvoid main() { g0 = vec4(0.4, 0.5, 0.3, 0.0);"
    " g1 = gbuffer_normal_depth(vec3(0.0, 1.0, 0.0), dot(vec4(w, 1.0), vs_c[VS_VIEW_DEPTH])); g2 = vec4(1.0); }\n"
    "#else\nout vec4 c;\nvoid main() { c = vec4(scene_haze(scene_light(vec3(0.4, 0.5, 0.3),"
    " vec3(0.0, 1.0, 0.0), 1.0, 1.0), w), 1.0); }\n#endif\n#endif\n";

Shader* ground_shader[2];
BufferRecord* ground_vb = nullptr;
VertexDecl* ground_decl = nullptr;

void draw_ground() {
  set_cull_mode(0);
  set_shader(ground_shader[gfx_quality == 1]);
  set_vdecl(ground_decl);
  set_vb(0, ground_vb, 0, 12);
  draw_prim(PRIM_TRILIST, 0, 2);
}

struct Scene {
  HeadlessDevice gl{1280, 720, EH_BIN_DIR};
  Scene() {
    FILE* f = fopen(EH_BIN_DIR "/cache/bench_ground.sh", "wb");
    fputs(GROUND_SHADER, f);
    fclose(f);
    create_scene_image();
    init_deferred_scene();
    init_sky();
    init_postfx();
    ground_shader[0] = create_shader("cache/bench_ground.sh", nullptr);
    ground_shader[1] = create_shader("cache/bench_ground.sh", "DEFERRED\0 1\0");
    const float s = 400.f;
    const float quad[6][3] = {{-s, 0, s}, {s, 0, s}, {-s, 0, -s}, {s, 0, s}, {s, 0, -s}, {-s, 0, -s}};
    ground_vb = create_vb(sizeof(quad), BUFFER_STATIC);
    memcpy(lock_vb(ground_vb, 0, 0), quad, sizeof(quad));
    unlock_vb(ground_vb);
    const VDeclElem layout[] = {{0, 0, VDECL_FLOAT3, VDECL_POSITION, 0}, {0, VDECL_END_STREAM, 0, 0, 0}};
    ground_decl = get_vdecl(layout);
    ScenePasses passes = {};
    passes.draw_land = draw_ground;
    set_scene_passes(passes);
    set_sun_dir(_mm_setr_ps(0.3f, 0.6f, 1.f, 0), true);
    Matrix44 view = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, -10, 0, 1}}};
    set_view_tm(view);
    set_proj_tm(1.2915436f, 1280.f / 720.f, 0.1f, 512.f);
  }
  ~Scene() {
    destroy_shader(ground_shader[0]);
    destroy_shader(ground_shader[1]);
    free_vb(ground_vb);
    close_postfx();
    close_sky();
    close_deferred_scene();
    release_scene_image();
    remove(EH_BIN_DIR "/cache/bench_ground.sh");
  }
};
Scene& scene() {
  static Scene s;
  return s;
}

void configure(const benchmark::State& state) {
  scene();
  gfx_quality = int(state.range(0));
  use_postfx = gfx_quality == 1;
  use_ppaa = state.range(1) != 0;
}

void draw_one_frame() {
  begin_scene();
  render_scene(0.025f);
  compose_frame();
  end_scene();
}

// CPU time of the calls; the GPU is waited for outside the timing now and
// then so its queue stays short.
void BM_SceneCpu(benchmark::State& state) {
  configure(state);
  draw_one_frame();
  flush_gpu();
  for (auto _ : state) {
    render_scene(0.025f);
    compose_frame();
    state.PauseTiming();
    flush_gpu();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_SceneCpu)->ArgNames({"quality", "mlaa"})->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMicrosecond);

// Whole frames including the GPU's work: items per second is frames per second.
void BM_SceneFrame(benchmark::State& state) {
  configure(state);
  draw_one_frame();
  flush_gpu();
  for (auto _ : state) {
    draw_one_frame();
    flush_gpu();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SceneFrame)
    ->ArgNames({"quality", "mlaa"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
}  // namespace

BENCHMARK_MAIN();
