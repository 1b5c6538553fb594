// Cost of one fluid step on a busy map: a lake over half of it, a river
// running into the lake and a lava flow that meets the water; and on a
// mostly dry one.
#include <benchmark/benchmark.h>

#include <cmath>

#include "core/two_part_job.h"
#include "terrain/fluid_step.h"
#include "terrain/game_random.h"
#include "terrain/heightmap_data.h"
#include "terrain/noise.h"

using namespace HeightmapData;

namespace {

constexpr float STEP = 0.05f;
constexpr int RIVER_Z0 = 60, RIVER_Z1 = 63, RIVER_HEAD = 250;
constexpr int LAVA_X = 220, LAVA_Z = 180;

float ground(int x, int z) {
  float bumps = 0.2f * std::sin(x * 0.3f) * std::cos(z * 0.2f);
  return x < 128 ? -1.0f + bumps : 0.03f * float(x - 128) + bumps;
}

void feed_sources() {
  for (int z = RIVER_Z0; z <= RIVER_Z1; ++z) addWaterAt(cell_index(RIVER_HEAD, z), 0.05f);
  for (int z = LAVA_Z - 1; z <= LAVA_Z + 1; ++z)
    for (int x = LAVA_X - 1; x <= LAVA_X + 1; ++x) addLavaAt(cell_index(x, z), 0.05f);
}

void build_scene(bool with_lake) {
  reset();
  set_rnd_seed(1);
  reseed_noise();
  for (int z = 0; z < HMAP_SIZE; ++z)
    for (int x = 0; x < HMAP_SIZE; ++x) {
      int i = cell_index(x, z);
      hmap[i] = ground(x, z);
      if (x >= 128 && z >= RIVER_Z0 && z <= RIVER_Z1) hmap[i] -= 0.5f;
      float lake = 1.0f - hmap[i];
      if (with_lake && x < 128 && lake > 0.0f) water_at(i).amount = lake;
      if (x >= 128 && x <= RIVER_HEAD && z >= RIVER_Z0 && z <= RIVER_Z1) water_at(i).amount = 0.3f;
      if (x >= 140 && x <= LAVA_X && z >= LAVA_Z - 1 && z <= LAVA_Z + 1) water_at(i).amount = -0.3f;
    }
  for (int i = 0; i < HMAP_CELLS; ++i) target_hmap[i] = hmap[i];
  for (int n = 0; n < 100; ++n) {
    feed_sources();
    simWater(STEP);
  }
}

// The argument is the number of threads the step may use (1 or 2); the
// processor time is that of both.
void run_steps(benchmark::State& state, bool with_lake) {
  const int threads = two_part_job_threads();
  set_two_part_job_threads(int(state.range(0)));
  build_scene(with_lake);
  for (auto _ : state) {
    feed_sources();
    simWater(STEP);
  }
  set_two_part_job_threads(threads);
}

void BM_SimWaterStep(benchmark::State& state) { run_steps(state, true); }
BENCHMARK(BM_SimWaterStep)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// The same on a processor without AVX: four cells at a time.
void BM_SimWaterStepFourWide(benchmark::State& state) {
  const bool wide = fluid_step::wide_update;
  fluid_step::wide_update = false;
  BM_SimWaterStep(state);
  fluid_step::wide_update = wide;
}
BENCHMARK(BM_SimWaterStepFourWide)->Arg(1)->Unit(benchmark::kMillisecond);

// Mostly dry land: the same river and lava without the lake.
void BM_SimWaterStepDryLand(benchmark::State& state) { run_steps(state, false); }
BENCHMARK(BM_SimWaterStepDryLand)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
