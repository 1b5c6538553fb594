// Calls per second across the binding layer, each way, with the vector and
// float arguments the generation scripts pass most.
#include <benchmark/benchmark.h>
#include <string>
#include "script/sqbind.h"

namespace {

SQInteger free_floats(SQUserPointer p, SQInteger) {
  delete[] static_cast<float*>(p);
  return 0;
}
void make_vec4f(HSQUIRRELVM vm, float x, float y, float z, float w) {
  sqbind::init_instance(new float[4]{x, y, z, w}, vm, free_floats);
}

float host_sum = 0;
float host_fn(__m128 v, float k) {
  host_sum += _mm_cvtss_f32(v) * k;
  return k;
}
int host_int_fn(int a, int b) { return a + b; }

HSQUIRRELVM open_bench_vm(const char* src) {
  HSQUIRRELVM vm = sqbind::open_vm(1024);
  sqbind::SqObject cls = sqbind::create_class(vm, "vec4f", nullptr, sqbind::class_tag<SqVec4f>());
  sqbind::bind_ctor(cls, &make_vec4f);
  cls.release();
  sqbind::bind_func(vm, "host_fn", &host_fn);
  sqbind::bind_func(vm, "host_int_fn", &host_int_fn);
  std::string text(src);
  if (SQ_FAILED(sq_compilebuffer(vm, text.c_str(), SQInteger(text.size()), "bench.nut", SQTrue))) abort();
  sq_pushroottable(vm);
  if (SQ_FAILED(sq_call(vm, 1, SQFalse, SQTrue))) abort();
  sq_poptop(vm);
  return vm;
}

const char* SCRIPT =
    "function call_host(n) { local v = vec4f(1, 2, 3, 4); for (local i = 0; i < n; i++) host_fn(v, 0.5); }\n"
    "function call_host_int(n) { for (local i = 0; i < n; i++) host_int_fn(i, 1); }\n"
    "function empty_loop(n) { for (local i = 0; i < n; i++) {} }\n"
    "function from_host(v, k) { return k; }\n";

// Script loop calling a bound host function; items = host calls.
void run_script_loop(benchmark::State& state, const char* fn) {
  HSQUIRRELVM vm = open_bench_vm(SCRIPT);
  sqbind::SqFunc<void> loop;
  loop.bindRoot(vm, fn);
  const int n = 100000;
  for (auto _ : state) loop(n);
  state.SetItemsProcessed(state.iterations() * n);
  loop.release();
  sqbind::close_vm(vm);
}

void BM_ScriptCallsHostVec4fFloat(benchmark::State& state) { run_script_loop(state, "call_host"); }
void BM_ScriptCallsHostIntInt(benchmark::State& state) { run_script_loop(state, "call_host_int"); }
// The loop alone, to tell the call's share from the loop's.
void BM_ScriptEmptyLoop(benchmark::State& state) { run_script_loop(state, "empty_loop"); }

void BM_HostCallsScriptVec4fFloat(benchmark::State& state) {
  HSQUIRRELVM vm = open_bench_vm(SCRIPT);
  sqbind::SqFunc<float> f;
  f.bindRoot(vm, "from_host");
  __m128 v = _mm_setr_ps(1, 2, 3, 4);
  float k = 0;
  for (auto _ : state) {
    k = f(v, k + 1.0f);
    benchmark::DoNotOptimize(k);
  }
  state.SetItemsProcessed(state.iterations());
  f.release();
  sqbind::close_vm(vm);
}

void BM_HostCallsScriptFloat(benchmark::State& state) {
  HSQUIRRELVM vm = open_bench_vm(SCRIPT);
  sqbind::SqFunc<float> f;
  f.bindRoot(vm, "from_host");
  float k = 0;
  for (auto _ : state) {
    k = f(1.0f, k + 1.0f);
    benchmark::DoNotOptimize(k);
  }
  state.SetItemsProcessed(state.iterations());
  f.release();
  sqbind::close_vm(vm);
}

BENCHMARK(BM_ScriptCallsHostVec4fFloat);
BENCHMARK(BM_ScriptCallsHostIntInt);
BENCHMARK(BM_ScriptEmptyLoop);
BENCHMARK(BM_HostCallsScriptVec4fFloat);
BENCHMARK(BM_HostCallsScriptFloat);

}  // namespace

BENCHMARK_MAIN();
