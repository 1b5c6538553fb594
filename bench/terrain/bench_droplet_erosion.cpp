// Droplets and droplet steps per second of the erosion on a fixed, varied
// terrain built from the generators, with the parameters of the development
// key (droplets that mostly deposit early) and with those of the game's world
// types (long paths that carry and deposit most of the way). The erosion's own
// statistics lines are printed too.
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

ErosionParams world_type_params() {
  ErosionParams p;
  p.Kq = 5.0f;
  p.reactionTime = 40.0f;
  return p;
}

void run_erosion(benchmark::State& state, ErosionParams params, unsigned droplets) {
  build_terrain();
  uint64_t steps = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(hmap, start_hmap, sizeof(hmap));
    std::memcpy(surface, start_surface, sizeof(surface));
    set_rnd_seed(1);
    state.ResumeTiming();
    steps += genDropletErosion(droplets, params).steps;
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * droplets);
  state.counters["steps_per_s"] = benchmark::Counter(double(steps), benchmark::Counter::kIsRate);
}

void BM_DropletErosion(benchmark::State& state) { run_erosion(state, development_params(), DROPLETS); }
BENCHMARK(BM_DropletErosion)->Unit(benchmark::kMillisecond);

void BM_DropletErosionWorldType(benchmark::State& state) { run_erosion(state, world_type_params(), 20000); }
BENCHMARK(BM_DropletErosionWorldType)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
