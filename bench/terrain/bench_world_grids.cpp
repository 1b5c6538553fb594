// Packing the world's grids for a saved game and putting them back, on a
// world of rough land with sea over half of it and a distinct colour in
// every cell (the bytes it packs to are reported as "bytes").
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "terrain/heightmap_data.h"
#include "terrain/world_grids_file.h"

using namespace HeightmapData;

namespace {

void make_world(float sea_share) {
  reset();
  for (int i = 0; i < HMAP_CELLS; ++i) {
    float x = float(i & HMAP_MASK), z = float(i >> HMAP_SIZE_SHIFT);
    hmap[i] = target_hmap[i] = 12.f * std::sin(x * 0.05f) * std::cos(z * 0.07f) + std::sin(float(i) * 0.37f) +
                               12.f * (1.f - 2.f * sea_share);
    if (hmap[i] < 0.f) water_at(i) = Water{-hmap[i], std::sin(x), std::cos(z), 0.1f};
    surface[i].color = 0xff000000u | (unsigned(i) * 2654435761u >> 8);
    surface[i].ground = GT_SOIL;
    surface[i].surf = ST_GRASS;
  }
  for (int i = 0; i < 4000; ++i) target_hmap[(i * 37) & (HMAP_CELLS - 1)] += 3.f;  // land on the move
}

void BM_EncodeWorldGrids(benchmark::State& state) {
  make_world(float(state.range(0)) / 100.f);
  size_t bytes = 0;
  for (auto _ : state) {
    std::vector<uint8_t> packed = encode_world_grids(77);
    bytes = packed.size();
    benchmark::DoNotOptimize(packed.data());
  }
  state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_EncodeWorldGrids)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_DecodeWorldGrids(benchmark::State& state) {
  make_world(float(state.range(0)) / 100.f);
  std::vector<uint8_t> packed = encode_world_grids(77);
  for (auto _ : state) {
    if (!decode_world_grids(packed.data(), packed.size())) state.SkipWithError("the packed grids did not decode");
  }
}
BENCHMARK(BM_DecodeWorldGrids)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
