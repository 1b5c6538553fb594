// One frame of effects at a busy moment: 20,000 live particles, 500 trails
// and 20 bolts stepped once and submitted once, on the real (headless)
// device with the game's shaders and atlases from the executable's folder.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include "bench/headless_device.h"

#include <cstdio>
#include <cstdlib>

#include "core/paths.h"
#include "effects/common_fx.h"
#include "effects/fx_atlas.h"
#include "render/device.h"
#include "render/dyn_vb_writer.h"
#include "render/render_state.h"
#include "render/scene_view.h"
#include "render/textures.h"
#include "terrain/game_random.h"

namespace {

__m128 v3(float x, float y, float z) { return _mm_setr_ps(x, y, z, 0.f); }

struct Scene {
  HeadlessDevice gl{64, 64, EH_BIN_DIR};
  Texture* target = nullptr;
  Scene() {
    init_common_fx();
    // A small target: the software rasteriser's fill is not what is measured.
    target = create_render_texture(64, 64, TEXFMT_ARGB8);
    game_rnd_seed = 7;
    for (int i = 0; i < 10000; i++) {
      __m128 p = v3(hmfrnd(), frnd() * 30.f, hmfrnd());
      __m128 v = v3(srnd(), frnd() * 2.f, srnd());
      add_blend_particle(p, v, v3(0, 0.5f, 0), 1e6f, 0.f, 1.f, 0x80808080, FX_SMOKE.u, FX_SMOKE.v, FX_SMOKE.size,
                         frnd(), 0.f, nullptr, nullptr, nullptr);
      add_glow_particle(p, v, v3(0, -1.f, 0), 1e6f, 0.f, 0.5f, 0xffff8020, FX_GLOW.u, FX_GLOW.v, FX_GLOW.size, 0.f,
                        0.f, nullptr, nullptr, nullptr);
    }
    for (int t = 0; t < 500; t++) {
      float x = hmfrnd(), z = hmfrnd();
      int id = add_trail_fx(v3(x, 10, z), v3(1, 0, 0), v3(0, 0.3f, 0), 0.3f, 0xffffffff);
      for (int k = 1; k < TRAIL_POINTS; k++) add_trail_point(id, v3(x + float(k), 10, z), v3(1, 0, 0), v3(0, 0.3f, 0));
    }
    for (int b = 0; b < 20; b++)
      add_lightning_fx(v3(hmfrnd(), 40, hmfrnd()), v3(hmfrnd(), 0, hmfrnd()), v3(0, -10, 0), 0.5f, 4.f, 3.f, 1e6f,
                       0xffc0d0ff, 32);
  }
  ~Scene() {
    release_texture(target);
    close_common_fx();
  }
};

Scene& shared_scene() {
  static Scene scene;
  return scene;
}

void BM_EffectsFrame(benchmark::State& state) {
  Scene& scene = shared_scene();
  set_render_target(scene.target, 0, true);
  reset_draw_state();
  Matrix44 view = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {-128, -20, -128, 1}}};
  set_view_tm(view);
  set_proj_tm(1.2f, 1.f, 0.1f, 500.f);
  publish_scene_view();
  for (auto _ : state) {
    update_common_fx(0.05f);
    render_common_fx(0.01f, 0.2f);
    state.PauseTiming();
    flush_gpu();
    state.ResumeTiming();
  }
  set_back_buffer_target();
}
BENCHMARK(BM_EffectsFrame)->Unit(benchmark::kMillisecond);

// The simulation step alone, without the driver's share of the submission.
void BM_EffectsUpdate(benchmark::State& state) {
  shared_scene();
  for (auto _ : state) update_common_fx(0.05f);
}
BENCHMARK(BM_EffectsUpdate)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
