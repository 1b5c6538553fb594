// The terrain renderer on the headless device at 1280 x 720 over a generated
// islands world: CPU time of the per-update and per-frame work at both
// qualities, the GPU's refresh of the cell textures after an update, and
// whole frames (items per second = frames per second).
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include "bench/headless_device.h"
#include <cstdlib>
#include "app/app_globals.h"
#include "core/paths.h"
#include "render/device.h"
#include "render/land_render.h"
#include "render/postfx.h"
#include "render/render_state.h"
#include "render/scene_image.h"
#include "render/scene_render.h"
#include "render/sky.h"
#include "script/sq_reloadable_vm.h"
#include "script/world_generation.h"
#include "terrain/game_random.h"

namespace {
struct LandScene {
  HeadlessDevice gl{1280, 720, EH_BIN_DIR};
  int quality = -1;
  LandScene() {
    SqReloadableVM vm;
    open_world_gen_machine(vm, "gen/main.nut");
    game_rnd_seed = 7;
    generate_world_in(vm.vm, "islands");
    vm.close();
    create_scene_image();
    init_deferred_scene();
    init_sky();
    init_postfx();
    ScenePasses passes = {};
    passes.prepare_land = prepare_land_render;
    passes.draw_land = draw_land;
    passes.draw_water = draw_water;
    passes.draw_lava = draw_lava;
    passes.draw_horizon = draw_horizon;
    set_scene_passes(passes);
    set_sun_dir(_mm_setr_ps(0.5f, 0.8f, 0.3f, 0), true);
    // Over the water between islands, looking along them.
    Matrix44 view = {{{1, 0, 0, 0}, {0, 0.96f, 0.28f, 0}, {0, -0.28f, 0.96f, 0}, {-100, -12, -60, 1}}};
    set_view_tm(view);
    set_proj_tm(1.2915436f, 1280.f / 720.f, 0.1f, 512.f);
  }
  void use(int q) {
    if (q == quality) return;
    close_land_render();
    gfx_quality = q;
    use_postfx = q == 1;
    use_ppaa = false;
    init_land_render();
    for (int i = 0; i < 3; i++) {
      update_land_render(0.05f);
      HeightmapData::simWater(0.05f);
      prepare_land_render(0.f);
    }
    flush_gpu();
    quality = q;
  }
};
LandScene& scene() {
  static LandScene s;
  return s;
}

void BM_UpdateLandRender(benchmark::State& state) {
  scene().use(int(state.range(0)));
  for (auto _ : state) update_land_render(0.05f);
  prepare_land_render(0.f);
  flush_gpu();
}
BENCHMARK(BM_UpdateLandRender)->ArgName("quality")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A frame between updates: blends, morph and meshes (the GPU waited for
// outside the timing).
void BM_PrepareLandRender(benchmark::State& state) {
  scene().use(int(state.range(0)));
  for (auto _ : state) {
    prepare_land_render(0.025f);
    state.PauseTiming();
    flush_gpu();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_PrepareLandRender)->ArgName("quality")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The first frame after an update: the cell textures, normals, shadowing
// and map redrawn, with the GPU's work waited for.
void BM_RefreshAfterUpdate(benchmark::State& state) {
  scene().use(int(state.range(0)));
  for (auto _ : state) {
    request_land_refresh();
    prepare_land_render(0.f);
    flush_gpu();
  }
}
BENCHMARK(BM_RefreshAfterUpdate)->ArgName("quality")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The first frame of a new world: every normal and all the shadowing
// computed, the cell textures and the map redrawn.
void BM_RefreshNewWorld(benchmark::State& state) {
  scene().use(int(state.range(0)));
  for (auto _ : state) {
    restart_land_render();
    request_land_refresh();
    prepare_land_render(0.f);
    flush_gpu();
  }
}
BENCHMARK(BM_RefreshNewWorld)->ArgName("quality")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Whole frames between updates, GPU included.
void BM_LandFrame(benchmark::State& state) {
  scene().use(int(state.range(0)));
  for (auto _ : state) {
    begin_scene();
    render_scene(0.025f);
    compose_frame();
    end_scene();
    flush_gpu();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LandFrame)->ArgName("quality")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
}  // namespace

BENCHMARK_MAIN();
