// One ground update with every cell moving towards its target and with none
// moving (the usual case: one comparison per block of four).
#include <benchmark/benchmark.h>

#include <cmath>

#include "terrain/heightmap_data.h"

using namespace HeightmapData;

namespace {

constexpr float STEP = 0.05f;

// Far targets: no cell arrives within the 256 steps between restarts.
void BM_UpdateHmapAllMoving(benchmark::State& state) {
  reset();
  for (int i = 0; i < HMAP_CELLS; ++i) target_hmap[i] = 1000.0f + std::sin(float(i));
  int steps = 0;
  for (auto _ : state) {
    if (++steps % 256 == 0) {
      state.PauseTiming();
      for (float& h : hmap) h = 0.0f;
      state.ResumeTiming();
    }
    updateHmap(STEP);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_UpdateHmapAllMoving)->Unit(benchmark::kMicrosecond);

void BM_UpdateHmapNoneMoving(benchmark::State& state) {
  reset();
  for (int i = 0; i < HMAP_CELLS; ++i) hmap[i] = target_hmap[i] = std::sin(float(i));
  for (auto _ : state) {
    updateHmap(STEP);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_UpdateHmapNoneMoving)->Unit(benchmark::kMicrosecond);

void BM_MorphHmap(benchmark::State& state) {
  reset();
  for (int i = 0; i < HMAP_CELLS; ++i) target_hmap[i] = 1000.0f + std::sin(float(i));
  alignas(16) static float out[HMAP_CELLS];
  for (auto _ : state) {
    morphHmap(STEP, out);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MorphHmap)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
