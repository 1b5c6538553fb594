// Encoding and decoding script data: a universe of the size the game makes
// (worlds with names, positions, links) and a large flat array.
#include <benchmark/benchmark.h>
#include <string>
#include "script/save_data.h"
#include "script/sqbind.h"
#include "core/memory_streams.h"

namespace {

struct Machine {
  HSQUIRRELVM vm = sqbind::open_vm(1024);
  ~Machine() { sqbind::close_vm(vm); }
  sqbind::SqObject eval(const std::string& expr) {
    std::string src = "return (" + expr + ");";
    sq_compilebuffer(vm, src.c_str(), SQInteger(src.size()), "bench.nut", SQTrue);
    sq_pushroottable(vm);
    sq_call(vm, 1, SQTrue, SQTrue);
    sqbind::SqObject v(vm, -1);
    sq_pop(vm, 2);
    return v;
  }
};

const char* const UNIVERSE = R"((function() {
  local w = [];
  for (local i = 0; i < 28; i++)
    w.append({id = i, name = "World " + i, type = "islands", seed = i * 7919, x = i * 12.5, y = i * 3.5,
              visited = false, time_spent = 0.0, danger = i % 5, links = [i, (i + 1) % 28, (i + 5) % 28]});
  return {worlds = w, start = 0, size = 1000};
})())";

const char* const FLAT = "(function() { local a = []; for (local i = 0; i < 65536; i++) a.append(i); return a; })()";

void run_save(benchmark::State& state, const char* expr) {
  Machine m;
  sqbind::SqObject value = m.eval(expr);
  size_t bytes = 0;
  for (auto _ : state) {
    MemoryOutputStream out;
    save_data(value, out);
    bytes = out.bytes.size();
    benchmark::DoNotOptimize(out.bytes.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations() * bytes));
}

void run_load(benchmark::State& state, const char* expr) {
  Machine m;
  MemoryOutputStream out;
  save_data(m.eval(expr), out);
  for (auto _ : state) {
    MemoryInputStream in(out.bytes);
    sqbind::SqObject v = load_data(in, m.vm);
    benchmark::DoNotOptimize(v.object);
  }
  state.SetBytesProcessed(int64_t(state.iterations() * out.bytes.size()));
}

void BM_SaveUniverse(benchmark::State& s) { run_save(s, UNIVERSE); }
void BM_LoadUniverse(benchmark::State& s) { run_load(s, UNIVERSE); }
void BM_SaveFlatArray(benchmark::State& s) { run_save(s, FLAT); }
void BM_LoadFlatArray(benchmark::State& s) { run_load(s, FLAT); }
BENCHMARK(BM_SaveUniverse);
BENCHMARK(BM_LoadUniverse);
BENCHMARK(BM_SaveFlatArray);
BENCHMARK(BM_LoadFlatArray);

}  // namespace

BENCHMARK_MAIN();
