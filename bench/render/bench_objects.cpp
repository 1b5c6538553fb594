// Instanced objects and ball shadows on the real (headless) device with the
// game's own meshes and shaders: submitting a forest's instances and binning
// a frame's shadow balls.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include "bench/headless_device.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "app/app_globals.h"
#include "core/paths.h"
#include "render/device.h"
#include "render/dyn_vb_writer.h"
#include "render/inst_render.h"
#include "render/render_state.h"
#include "render/scene_view.h"
#include "render/shadows.h"
#include "render/textures.h"
#include "tools/mesh_gen/models.h"

namespace {
struct Device {
  HeadlessDevice gl{64, 64, EH_BIN_DIR};
  Texture* target = nullptr;
  Device() {
    gfx_quality = 0;
    // A camera looking away from the forest: the draws are submitted and
    // their vertices shaded, but no pixel is filled.
    Matrix44 view = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, -10, 0, 1}}};
    set_view_tm(view);
    set_proj_tm(1.29f, 1.f, 0.1f, 512.f);
    publish_scene_view();
    load_view_constants();
    target = create_render_texture(64, 64, TEXFMT_ARGB8);
    set_render_target(target, 0, false);
  }
  ~Device() { release_texture(target); }
};
Device& device() {
  static Device d;
  return d;
}

// A one-triangle stand-in with the tree's layout: the instances' submission
// without the vertex work, which the software device does on this thread.
const char* stand_in_mesh() {
  static std::string path;
  if (path.empty()) {
    meshgen::MeshBuilder m;
    m.triangle(meshgen::v3(0, 0, 0), meshgen::v3(0, 1, 0), meshgen::v3(0.1f, 0, 0), meshgen::rgb(1, 1, 1));
    path = "/tmp/eh_bench_tree_stand_in.mesh";
    meshgen::write_file(path, meshgen::encode_mesh(m, meshgen::mesh_file_for(meshgen::InstLayout::Morph)));
  }
  return path.c_str();
}

// 10,000 trees behind the camera, each frame as the module would: fill the
// chunks, then one render call per kind. Argument 1: the game's conifer,
// 0: the stand-in.
void BM_SubmitTreeInstances(benchmark::State& state) {
  device();
  static MorphInstRender trees[2];
  MorphInstRender& t = trees[state.range(0)];
  if (!t.mesh) t.init(state.range(0) ? "meshes/tree_conifer1.mesh" : stand_in_mesh());
  const int count = 10000;
  std::vector<MorphInstance> forest(count);
  for (int i = 0; i < count; i++) {
    forest[size_t(i)].base = make_simple_instance(float(i % 100), 0, -20.f - float(i / 100), float(i), 1, 0x80808080);
    forest[size_t(i)].morph = 0;
  }
  // The module's records arrive as they are; timed: the chunk, the copies
  // into the shared buffer and the draws.
  for (auto _ : state) {
    memcpy(t.addInstances(count), forest.data(), sizeof(MorphInstance) * size_t(count));
    t.render();
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_SubmitTreeInstances)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// 2,000 balls spread in front of the camera within shadow reach.
void BM_BinShadowBalls(benchmark::State& state) {
  device();
  Matrix44 view = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, -10, 0, 1}}};
  set_view_tm(view);
  publish_scene_view();
  const int count = 2000;
  std::vector<float> balls(size_t(count) * 4);
  for (int i = 0; i < count; i++) {
    float a = float(i) * 2.39996f, r = 5.f + 90.f * std::sqrt(float(i) / float(count));
    balls[size_t(i) * 4 + 0] = std::sin(a) * r * 0.6f;
    balls[size_t(i) * 4 + 1] = 1.f;
    balls[size_t(i) * 4 + 2] = std::cos(a) * r * 0.5f + r * 0.5f;
    balls[size_t(i) * 4 + 3] = 0.5f + float(i % 5) * 0.3f;
  }
  for (auto _ : state) {
    start_render_shadows();
    for (int i = 0; i < count; i++) {
      const float* b = &balls[size_t(i) * 4];
      render_shadow_ball(_mm_setr_ps(b[0], b[1], b[2], 1), b[3]);
    }
  }
  int binned = 0;
  for (int y = 0; y < SHADOW_TILES_Y; y++)
    for (int x = 0; x < SHADOW_TILES_X; x++) binned += count_shadow_balls(x, y);
  state.counters["binned"] = binned;
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_BinShadowBalls)->Unit(benchmark::kMicrosecond);
}  // namespace

BENCHMARK_MAIN();
