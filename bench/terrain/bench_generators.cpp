// Time of every terrain generator (one pass over the 256 x 256 map) and of
// the noise functions they are built on.
#include <benchmark/benchmark.h>

#include "terrain/game_random.h"
#include "terrain/hm_gen.h"
#include "terrain/noise.h"

using namespace HeightmapData;

namespace {

void fresh_world() {
  reset();
  set_rnd_seed(4242);
  reseed_noise();
}

void BM_makeFastNoise(benchmark::State& state) {
  fresh_world();
  static float grid[HMAP_CELLS];
  for (auto _ : state) {
    makeFastNoise(grid, 1.0f, 0.5f);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_makeFastNoise)->Unit(benchmark::kMillisecond);

void BM_addFastNoise(benchmark::State& state) {
  fresh_world();
  for (auto _ : state) addFastNoise(0.0f, 1.0f, nullptr, GT_SOIL, 255, 0.5f);
}
BENCHMARK(BM_addFastNoise)->Unit(benchmark::kMillisecond);

void BM_addSimplexNoise(benchmark::State& state) {
  fresh_world();
  for (auto _ : state) addSimplexNoise(0.0f, 1.0f, int(state.range(0)), int(state.range(1)), 0.5f);
}
BENCHMARK(BM_addSimplexNoise)->Args({8, 4})->Args({4, 1})->Unit(benchmark::kMillisecond);

void BM_addVoronoiHills(benchmark::State& state) {
  fresh_world();
  for (auto _ : state) addVoronoiHills(int(state.range(0)), 0.0f, 1.0f, 0.8f);
}
BENCHMARK(BM_addVoronoiHills)->Arg(16)->Unit(benchmark::kMillisecond);

void BM_genVoronoiFaults(benchmark::State& state) {
  fresh_world();
  for (auto _ : state) genVoronoiFaults(8, 0.0f, 1.0f, 0.3f, 2, int(state.range(0)), 1.5f);
}
BENCHMARK(BM_genVoronoiFaults)->Arg(3)->Unit(benchmark::kMillisecond);

void BM_genFault(benchmark::State& state) {
  fresh_world();
  for (auto _ : state)
    genFault(Point2{100.0f, 60.0f}, Point2{1.0f, 0.5f}, 5.0f, 0.6f, 2.0f, nullptr, GT_ROCK, 255, hmap);
}
BENCHMARK(BM_genFault)->Unit(benchmark::kMillisecond);

void BM_genCrater(benchmark::State& state) {
  fresh_world();
  for (auto _ : state) genCrater(Point2{128.0f, 128.0f}, float(state.range(0)), 0.8f, hmap);
}
BENCHMARK(BM_genCrater)->Arg(20)->Arg(64)->Unit(benchmark::kMillisecond);

void BM_placeHouse(benchmark::State& state) {
  fresh_world();
  for (auto _ : state) placeHouse(128, 128, -1, hmap, true);
}
BENCHMARK(BM_placeHouse)->Unit(benchmark::kMicrosecond);

void BM_recenterHt(benchmark::State& state) {
  fresh_world();
  for (auto _ : state) benchmark::DoNotOptimize(recenterHt());
}
BENCHMARK(BM_recenterHt)->Unit(benchmark::kMicrosecond);

void BM_reseed_noise(benchmark::State& state) {
  set_rnd_seed(1);
  for (auto _ : state) reseed_noise();
}
BENCHMARK(BM_reseed_noise)->Unit(benchmark::kMicrosecond);

// Noise functions: one call per iteration at a moving point.
template <typename Fn>
void run_noise(benchmark::State& state, Fn&& fn) {
  fresh_world();
  float x = 0.37f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(fn(x));
    x += 0.113f;
    if (x > 200.0f) x -= 200.0f;
  }
}

void BM_noise1(benchmark::State& state) { run_noise(state, [](float x) { return noise1(x); }); }
BENCHMARK(BM_noise1);
void BM_old_tiled_noise2(benchmark::State& state) {
  run_noise(state, [](float x) { return old_tiled_noise2(x, x * 0.7f, 16); });
}
BENCHMARK(BM_old_tiled_noise2);
void BM_noise4(benchmark::State& state) { run_noise(state, [](float x) { return noise4(x, -x, x * 0.5f, 3.0f); }); }
BENCHMARK(BM_noise4);
void BM_tiled_noise2(benchmark::State& state) {
  run_noise(state, [](float x) { return tiled_noise2(x, x * 0.7f, 8.0f); });
}
BENCHMARK(BM_tiled_noise2);
void BM_voronoi_near4(benchmark::State& state) {
  run_noise(state, [](float x) {
    float d[4];
    int id[4];
    tiled_voronoi_noise2_near4(x, x * 0.7f, 4, d, id, nullptr);
    return d[0];
  });
}
BENCHMARK(BM_voronoi_near4);
void BM_voronoi_all9(benchmark::State& state) {
  run_noise(state, [](float x) {
    Point2 o[9];
    tiled_voronoi_noise2_all9(x, x * 0.7f, 4, o, nullptr);
    return o[4].x;
  });
}
BENCHMARK(BM_voronoi_all9);
void BM_fractal_noise1(benchmark::State& state) {
  run_noise(state, [](float x) { return fractal_noise1(4, nullptr, x, 0.5f); });
}
BENCHMARK(BM_fractal_noise1);
void BM_tiled_fractal_noise2(benchmark::State& state) {
  run_noise(state, [](float x) { return tiled_fractal_noise2(4, nullptr, x, x * 0.7f, 8.0f, 0.5f); });
}
BENCHMARK(BM_tiled_fractal_noise2);

}  // namespace

BENCHMARK_MAIN();
