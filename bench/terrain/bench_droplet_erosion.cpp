// Droplets per second of the erosion on a fixed, varied terrain built from
// the generators, with the parameters of the development key. The erosion's
// own statistics lines (average path length among them) are printed too.
#include <benchmark/benchmark.h>

#include <cstring>

#include "terrain/game_random.h"
#include "terrain/heightmap_data.h"
#include "terrain/noise.h"

using namespace HeightmapData;

namespace {

constexpr unsigned DROPLETS = 92160;

alignas(16) float start_hmap[HMAP_CELLS];
Surface start_surface[HMAP_CELLS];

void build_terrain() {
  reset();
  set_rnd_seed(90210);
  reseed_noise();
  addFastNoise(0.0f, 40.0f, nullptr, GT_SOIL, 255, 0.55f);
  addSimplexNoise(0.0f, 8.0f, 8, 4, 0.5f);
  addVoronoiHills(16, 0.0f, 12.0f, 0.8f);
  genVoronoiFaults(8, 0.0f, 6.0f, 0.3f, 2, 3, 1.5f);
  genCrater(Point2{60.0f, 190.0f}, 20.0f, 0.8f, hmap);
  recenterHt();
  std::memcpy(start_hmap, hmap, sizeof(hmap));
  std::memcpy(start_surface, surface, sizeof(surface));
}

ErosionParams development_params() {
  ErosionParams p;
  p.Kq = 0.1f;
  p.Kw = 0.001f;
  p.Kr = 0.9f;
  p.Kd = 0.9f;
  p.Ki = 0.1f;
  p.minSlope = 0.05f;
  p.g = 20.0f;
  p.depositBlend = 2.0f;
  p.reactionTime = 100.0f;
  return p;
}

void BM_DropletErosion(benchmark::State& state) {
  build_terrain();
  ErosionParams params = development_params();
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(hmap, start_hmap, sizeof(hmap));
    std::memcpy(surface, start_surface, sizeof(surface));
    set_rnd_seed(1);
    state.ResumeTiming();
    genDropletErosion(DROPLETS, params);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * DROPLETS);
}
BENCHMARK(BM_DropletErosion)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
