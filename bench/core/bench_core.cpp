// Per-frame lists append into reused storage; paths and settings are built
// on every file access. std::vector is the reference for the array figures.
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "core/dyn_array.h"
#include "core/paths.h"
#include "core/settings.h"

static void BM_DynArrayAppendReused(benchmark::State& state) {
  DynArray<int> a;
  const int n = int(state.range(0));
  for (auto _ : state) {
    a.resize(0);
    for (int i = 0; i < n; i++) a.append(i);
    benchmark::DoNotOptimize(a.data);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_DynArrayAppendReused)->Arg(1000);

static void BM_StdVectorPushBackReused(benchmark::State& state) {
  std::vector<int> v;
  const int n = int(state.range(0));
  for (auto _ : state) {
    v.clear();
    for (int i = 0; i < n; i++) v.push_back(i);
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_StdVectorPushBackReused)->Arg(1000);

// Object lists hold pointers, which cannot alias the int count and size
// fields, so the compiler keeps them in registers across appends.
static void BM_DynArrayAppendPointersReused(benchmark::State& state) {
  DynArray<void*> a;
  const int n = int(state.range(0));
  for (auto _ : state) {
    a.resize(0);
    for (int i = 0; i < n; i++) a.append(&a);
    benchmark::DoNotOptimize(a.data);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_DynArrayAppendPointersReused)->Arg(1000);

static void BM_DynArrayEraseFast(benchmark::State& state) {
  DynArray<int> a;
  for (auto _ : state) {
    a.resize(1000);
    while (a.num > 0) a.eraseFast(0, 1);
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_DynArrayEraseFast);

static void BM_MakeFullPath(benchmark::State& state) {
  snprintf(app_path, sizeof(app_path), "/opt/ember_hollows/bin/");
  for (auto _ : state) {
    PathString p = make_full_path("gen/../shaders/./land.sh");
    benchmark::DoNotOptimize(p.str);
  }
}
BENCHMARK(BM_MakeFullPath);

// Settings are read at start-up and written when the player changes them.
static void BM_SettingsReadAndWrite(benchmark::State& state) {
  char folder[] = "/tmp/eh_bench_settings_XXXXXX";
  if (!mkdtemp(folder)) {
    state.SkipWithError("no temp folder");
    return;
  }
  setenv("XDG_CONFIG_HOME", folder, 1);
  for (int i = 0; i < 14; i++) set_config_int(("setting_" + std::to_string(i)).c_str(), i);
  int v = 0;
  for (auto _ : state) {
    if (state.range(0)) set_config_int("flags", v + 1);
    get_config_int("flags", &v);
  }
  std::string cleanup = std::string("rm -rf ") + folder;
  if (system(cleanup.c_str()) != 0) state.SkipWithError("cleanup failed");
}
BENCHMARK(BM_SettingsReadAndWrite)->Arg(0)->Arg(1);

// Reading a settings file of N short entries (a foreign or bloated file):
// the time per entry must stay flat as N grows.
static void BM_SettingsReadLargeFile(benchmark::State& state) {
  char folder[] = "/tmp/eh_bench_settings_XXXXXX";
  if (!mkdtemp(folder)) {
    state.SkipWithError("no temp folder");
    return;
  }
  setenv("XDG_CONFIG_HOME", folder, 1);
  std::string dir = std::string(folder) + "/EmberHollows";
  std::string raw;
  char line[48];
  for (int i = 0; i < state.range(0); i++) {
    snprintf(line, sizeof(line), "int k%d=%d\n", i, i);
    raw += line;
  }
  std::string make = "mkdir -p " + dir;
  FILE* f = system(make.c_str()) == 0 ? fopen((dir + "/settings").c_str(), "wb") : nullptr;
  if (!f) {
    state.SkipWithError("can't write the settings file");
    return;
  }
  fwrite(raw.data(), 1, raw.size(), f);
  fclose(f);
  int v = 0;
  for (auto _ : state) benchmark::DoNotOptimize(get_config_int("k1", &v));
  state.SetItemsProcessed(state.iterations() * state.range(0));
  std::string cleanup = std::string("rm -rf ") + folder;
  if (system(cleanup.c_str()) != 0) state.SkipWithError("cleanup failed");
}
BENCHMARK(BM_SettingsReadLargeFile)->Arg(1000)->Arg(10000)->Arg(80000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
