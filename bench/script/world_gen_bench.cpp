// Time to generate a world, split into the phases of generation (noise,
// generators, erosion, masks, per-cell script callbacks, colouring, the
// module's population) and the script itself.
// Runs the game's world script when it is built beside the program, and the
// test world that uses every binding.
//   bench/script/world_gen_bench [--benchmark_repetitions=N]
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <cstring>
#include <string>
#include "core/paths.h"
#include "core/ref_time.h"
#include "script/sq_reloadable_vm.h"
#include "script/world_gen_phase_times.h"
#include "script/world_generation.h"
#include "terrain/game_random.h"

namespace {

struct WorldCase {
  const char* script;
  const char* kind;
  uint64_t seed;  // 0: a new seed every world
};

void generate_worlds(benchmark::State& state, WorldCase c) {
  SqReloadableVM rvm;
  if (!open_world_gen_machine(rvm, c.script)) {
    state.SkipWithError("the world script does not load");
    return;
  }
  int64_t phase_totals[WG_PHASE_COUNT] = {};
  int64_t total = 0, cpu_total = 0;
  uint64_t seed = c.seed ? c.seed : 1000;
  for (auto _ : state) {
    game_rnd_seed = c.seed ? c.seed : seed++;
    int64_t start = get_ref_time(), cpu_start = thread_cpu_ns();
    generate_world_in(rvm.vm, c.kind);
    total += get_ref_time() - start;
    cpu_total += thread_cpu_ns() - cpu_start;
    for (int p = 0; p < WG_PHASE_COUNT; p++) phase_totals[p] += world_gen_phase_cpu_ns[p];
  }
  // Phases in processor time of this thread, so a busy machine does not
  // blur them; the wall-clock total beside it.
  double n = double(state.iterations());
  auto ms = [&](int64_t ns) { return double(ns) / 1e6 / n; };
  int64_t in_phases = 0;
  for (int p = 0; p < WG_PHASE_COUNT; p++) {
    state.counters[std::string(WORLD_GEN_PHASE_NAMES[p]) + "_ms"] = ms(phase_totals[p]);
    in_phases += phase_totals[p];
  }
  state.counters["wall_ms"] = 1000.0 * double(total) / double(get_ref_frequency()) / n;
  state.counters["cpu_ms"] = ms(cpu_total);
  state.counters["script_ms"] = ms(cpu_total - in_phases);
}

// One per-cell script operation on a loaded machine: what a callback costs.
void per_cell_callback(benchmark::State& state, const char* source) {
  SqReloadableVM rvm;
  if (!open_world_gen_machine(rvm, TEST_WORLD_SCRIPT)) {
    state.SkipWithError("the world script does not load");
    return;
  }
  if (SQ_FAILED(sq_compilebuffer(rvm.vm, source, SQInteger(strlen(source)), "bench", SQTrue))) {
    state.SkipWithError("does not compile");
    return;
  }
  HSQOBJECT fn;
  sq_getstackobj(rvm.vm, -1, &fn);
  for (auto _ : state) {
    sq_pushobject(rvm.vm, fn);
    sq_pushroottable(rvm.vm);
    if (SQ_FAILED(sq_call(rvm.vm, 1, SQFalse, SQTrue))) state.SkipWithError("script failed");
    sq_poptop(rvm.vm);
  }
  sq_poptop(rvm.vm);
  state.counters["ns_per_cell"] = benchmark::Counter(double(state.iterations()) * 65536.0,
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

bool file_exists(const char* path) {
  struct stat st;
  return stat(path, &st) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  // The game's script includes its files relative to the program's folder.
  snprintf(app_path, sizeof app_path, "%s/", EH_BIN_DIR_PATH);
  static const char* const GAME_SCRIPT = EH_BIN_DIR_PATH "/gen/main.nut";
  static const char* const TEST_SCRIPT = TEST_WORLD_SCRIPT;
  if (file_exists(GAME_SCRIPT)) {
    benchmark::RegisterBenchmark("game_script/game", generate_worlds, WorldCase{GAME_SCRIPT, "game", 0});
    // The world of `world_preview game 7`.
    benchmark::RegisterBenchmark("game_script/game_seed7", generate_worlds, WorldCase{GAME_SCRIPT, "game", 7});
    benchmark::RegisterBenchmark("game_script/main_menu", generate_worlds, WorldCase{GAME_SCRIPT, "main_menu", 0});
  }
  benchmark::RegisterBenchmark("every_binding_script/game", generate_worlds, WorldCase{TEST_SCRIPT, "game", 0});
  benchmark::RegisterBenchmark("callback/mask_from_function", per_cell_callback,
                               "local m = HmapMask(function(x, z) { return x * 0.5; });");
  benchmark::RegisterBenchmark("callback/apply_height_mask_function", per_cell_callback,
                               "apply_height_mask(null, function(h) { return h * 0.5; });");
  benchmark::RegisterBenchmark("callback/repaint_land", per_cell_callback,
                               "repaint_land(function(x, z, c, o) { return [c, GT_SOIL]; });");
  benchmark::RegisterBenchmark("native/mask_from_simplex_noise", per_cell_callback,
                               "local m = HmapMask.fromSimplexNoise(1, 4, 4, null, 0.5);");
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
