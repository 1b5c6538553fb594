// The input queue under a flood of events in one update (a replay can hold
// any number): queueing and taking them must stay linear in their count.
#include <benchmark/benchmark.h>
#include "app/input.h"

static void BM_QueueAndTakeEvents(benchmark::State& state) {
  const int n = int(state.range(0));
  InputEvent ev;
  for (auto _ : state) {
    for (int i = 0; i < n; i++) {
      if (i % 8 == 0) push_wheel_event(120, float(i % 600), 10.f);
      else push_input_event(INPUT_MOUSE_MOVE, 0, 0, 0, float(i % 600), float(i % 300));
    }
    int taken = 0;
    while (getEvent(&ev)) taken++;
    benchmark::DoNotOptimize(taken);
    clear_input();
  }
  state.SetComplexityN(n);
  state.SetItemsProcessed(int64_t(state.iterations()) * n);
}
BENCHMARK(BM_QueueAndTakeEvents)->RangeMultiplier(4)->Range(1 << 10, 1 << 18)->Complexity();

BENCHMARK_MAIN();
