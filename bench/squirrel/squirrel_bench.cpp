// Script cases against the same work in C++: compare the two rows of each
// pair (script time / C++ time is the slowdown).
#include "squirrel.h"
#include "sqstdmath.h"
#include "sqstdstring.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace {

struct Vm {
    HSQUIRRELVM v;
    explicit Vm(const char *src) {
        v = sq_open(1024);
        sq_pushroottable(v);
        sqstd_register_mathlib(v);
        sqstd_register_stringlib(v);
        sq_pop(v, 1);
        if (SQ_FAILED(sq_compilebuffer(v, src, (SQInteger)strlen(src), "bench", SQTrue))) abort();
        sq_pushroottable(v);
        if (SQ_FAILED(sq_call(v, 1, SQFalse, SQTrue))) abort();
        sq_pop(v, 1);
    }
    ~Vm() { sq_close(v); }
    // Calls the global `name` with integer arguments; returns the integer result.
    SQInteger call(const char *name, std::initializer_list<SQInteger> args) {
        SQInteger top = sq_gettop(v);
        sq_pushroottable(v);
        sq_pushstring(v, name, -1);
        sq_get(v, -2);
        sq_pushroottable(v);
        for (SQInteger a : args) sq_pushinteger(v, a);
        SQInteger r = 0;
        if (SQ_FAILED(sq_call(v, (SQInteger)args.size() + 1, SQTrue, SQTrue))) abort();
        sq_getinteger(v, -1, &r);
        sq_settop(v, top);
        return r;
    }
};

// Runs a Lua 5.4 program that times its own work with os.clock() (processor
// time, start-up excluded) and writes the seconds; -1 when lua5.4 is missing.
// Lua rows report that time as their iteration time, comparable with the
// processor time of the script rows.
double luaSeconds(const char *program) {
    std::string cmd = std::string("lua5.4 -e 'local t0 = os.clock() ") + program +
                      " io.write(os.clock() - t0)' 2>/dev/null";
    FILE *p = popen(cmd.c_str(), "r");
    if (!p) return -1;
    char out[64] = {0};
    bool ok = fgets(out, sizeof out, p) != nullptr;
    int status = pclose(p);
    return ok && status == 0 ? std::strtod(out, nullptr) : -1;
}
void runLua(benchmark::State &st, const char *program) {
    for (auto _ : st) {
        double s = luaSeconds(program);
        if (s < 0) {
            st.SkipWithError("lua5.4 is not installed (scripts/install_deps.sh)");
            break;
        }
        st.SetIterationTime(s);
    }
}

int cpp_fib(int n) { return n < 2 ? n : cpp_fib(n - 1) + cpp_fib(n - 2); }

void BM_Fib27_Script(benchmark::State &st) {
    Vm vm("function fib(n) { if (n < 2) return n; return fib(n - 1) + fib(n - 2); }");
    for (auto _ : st) benchmark::DoNotOptimize(vm.call("fib", {27}));
}
void BM_Fib27_Cpp(benchmark::State &st) {
    volatile int n = 27;
    for (auto _ : st) benchmark::DoNotOptimize(cpp_fib(n));
}
// The optimiser turns cpp_fib's recursion partly into loops; calling through a
// volatile pointer keeps one real call per step, like the script does.
int (*volatile fib_ptr)(int) = nullptr;
int cpp_fib_calls(int n) { return n < 2 ? n : fib_ptr(n - 1) + fib_ptr(n - 2); }
void BM_Fib27_CppEveryCall(benchmark::State &st) {
    fib_ptr = cpp_fib_calls;
    for (auto _ : st) benchmark::DoNotOptimize(fib_ptr(27));
}
void BM_Fib27_Lua54(benchmark::State &st) {
    runLua(st, "function fib(n) if n < 2 then return n end return fib(n - 1) + fib(n - 2) end local r = fib(27)");
}

void BM_IntLoop10M_Script(benchmark::State &st) {
    Vm vm("function loop(n) { local s = 0; for (local i = 0; i < n; i++) s += i; return s; }");
    for (auto _ : st) benchmark::DoNotOptimize(vm.call("loop", {10000000}));
}
void BM_IntLoop10M_Cpp(benchmark::State &st) {
    for (auto _ : st) {
        volatile int n = 10000000;
        int s = 0;
        for (int i = 0; i < n; i++) {
            s += i;
            benchmark::DoNotOptimize(s);
        }
    }
}
void BM_IntLoop10M_Lua54(benchmark::State &st) {
    runLua(st, "local function loop(n) local s = 0 for i = 0, n - 1 do s = s + i end return s end local r = loop(10000000)");
}

void BM_FloatMath_Script(benchmark::State &st) {
    Vm vm("function fl(n) { local x = 0.5, acc = 0.0; for (local i = 0; i < n; i++) { acc = acc * 0.99 + x * 1.5 - 0.25; x = x + 0.001; } return acc.tointeger(); }");
    for (auto _ : st) benchmark::DoNotOptimize(vm.call("fl", {1000000}));
}
void BM_FloatMath_Cpp(benchmark::State &st) {
    for (auto _ : st) {
        volatile int n = 1000000;
        float x = 0.5f, acc = 0.0f;
        for (int i = 0; i < n; i++) {
            acc = acc * 0.99f + x * 1.5f - 0.25f;
            x = x + 0.001f;
            benchmark::DoNotOptimize(acc);
        }
    }
}
void BM_FloatMath_Lua54(benchmark::State &st) {
    runLua(st, "local function fl(n) local x, acc = 0.5, 0.0 for i = 0, n - 1 do acc = acc * 0.99 + x * 1.5 - 0.25"
               " x = x + 0.001 end return math.floor(acc) end local r = fl(1000000)");
}

const char *TABLE_SRC =
    "function tab(n) { local keys = []; for (local i = 0; i < 64; i++) keys.append(\"key\" + i);"
    " local t = {}; foreach (k in keys) t[k] <- 0; local s = 0;"
    " for (local i = 0; i < n; i++) { local k = keys[i & 63]; t[k] = t[k] + 1; s += t[k]; } return s; }";
void BM_TableStringKeys_Script(benchmark::State &st) {
    Vm vm(TABLE_SRC);
    for (auto _ : st) benchmark::DoNotOptimize(vm.call("tab", {1000000}));
}
void BM_TableStringKeys_Cpp(benchmark::State &st) {
    std::vector<std::string> keys;
    for (int i = 0; i < 64; i++) keys.push_back("key" + std::to_string(i));
    for (auto _ : st) {
        std::unordered_map<std::string, int> t;
        for (auto &k : keys) t[k] = 0;
        int s = 0;
        for (int i = 0; i < 1000000; i++) {
            int &slot = t[keys[i & 63]];
            slot = slot + 1;
            s += slot;
        }
        benchmark::DoNotOptimize(s);
    }
}
void BM_TableStringKeys_Lua54(benchmark::State &st) {
    runLua(st, "local function tab(n) local keys = {} for i = 0, 63 do keys[#keys + 1] = \"key\" .. i end"
               " local t = {} for _, k in ipairs(keys) do t[k] = 0 end local s = 0"
               " for i = 0, n - 1 do local k = keys[(i & 63) + 1] t[k] = t[k] + 1 s = s + t[k] end return s end"
               " local r = tab(1000000)");
}

void BM_ArrayAppendIndex_Script(benchmark::State &st) {
    Vm vm("function arr(n) { local a = []; for (local i = 0; i < n; i++) a.append(i); local s = 0;"
          " for (local i = 0; i < n; i++) s += a[i]; return s; }");
    for (auto _ : st) benchmark::DoNotOptimize(vm.call("arr", {1000000}));
}
void BM_ArrayAppendIndex_Cpp(benchmark::State &st) {
    for (auto _ : st) {
        std::vector<int> a;
        for (int i = 0; i < 1000000; i++) a.push_back(i);
        int s = 0;
        for (int i = 0; i < 1000000; i++) s += a[(size_t)i];
        benchmark::DoNotOptimize(s);
    }
}
void BM_ArrayAppendIndex_Lua54(benchmark::State &st) {
    runLua(st, "local function arr(n) local a = {} for i = 0, n - 1 do a[#a + 1] = i end local s = 0"
               " for i = 1, n do s = s + a[i] end return s end local r = arr(1000000)");
}

struct CppCounter {
    int n = 0;
    __attribute__((noinline)) int add(int k) { return n += k; }
};
void BM_MethodCalls_Script(benchmark::State &st) {
    Vm vm("class Counter { n = 0; function add(k) { n += k; return n; } }"
          " function meth(count) { local c = Counter(); local r = 0; for (local i = 0; i < count; i++) r = c.add(1); return r; }");
    for (auto _ : st) benchmark::DoNotOptimize(vm.call("meth", {1000000}));
}
void BM_MethodCalls_Cpp(benchmark::State &st) {
    for (auto _ : st) {
        CppCounter c;
        int r = 0;
        for (int i = 0; i < 1000000; i++) r = c.add(1);
        benchmark::DoNotOptimize(r);
    }
}
void BM_MethodCalls_Lua54(benchmark::State &st) {
    runLua(st, "local Counter = {} Counter.__index = Counter"
               " function Counter:add(k) self.n = self.n + k return self.n end"
               " local function meth(count) local c = setmetatable({n = 0}, Counter) local r = 0"
               " for i = 0, count - 1 do r = c:add(1) end return r end local r = meth(1000000)");
}

// A closure called from the host per map cell with two arguments.
void BM_HostCalls65536_Script(benchmark::State &st) {
    Vm vm("mask <- function(x, y) { return (x * y) & 255; }");
    sq_pushroottable(vm.v);
    sq_pushstring(vm.v, "mask", -1);
    sq_get(vm.v, -2);
    HSQOBJECT fn;
    sq_getstackobj(vm.v, -1, &fn);
    sq_addref(vm.v, &fn);
    sq_pop(vm.v, 2);
    for (auto _ : st) {
        long total = 0;
        for (int y = 0; y < 256; y++)
            for (int x = 0; x < 256; x++) {
                sq_pushobject(vm.v, fn);
                sq_pushroottable(vm.v);
                sq_pushinteger(vm.v, x);
                sq_pushinteger(vm.v, y);
                sq_call(vm.v, 3, SQTrue, SQTrue);
                SQInteger r;
                sq_getinteger(vm.v, -1, &r);
                total += r;
                sq_pop(vm.v, 2);
            }
        benchmark::DoNotOptimize(total);
    }
    sq_release(vm.v, &fn);
}
__attribute__((noinline)) int cpp_mask(int x, int y) { return (x * y) & 255; }
void BM_HostCalls65536_Cpp(benchmark::State &st) {
    for (auto _ : st) {
        long total = 0;
        for (int y = 0; y < 256; y++)
            for (int x = 0; x < 256; x++) total += cpp_mask(x, y);
        benchmark::DoNotOptimize(total);
    }
}

void BM_StringConcatFormat_Script(benchmark::State &st) {
    Vm vm("function str(n) { local total = 0; for (local i = 0; i < n; i++) { local s = \"item\" + i + \":\" + (i * 0.5);"
          " local f = format(\"%s=%d;%.2f\", \"k\", i, i * 0.25); total += s.len() + f.len(); } return total; }");
    for (auto _ : st) benchmark::DoNotOptimize(vm.call("str", {100000}));
}
void BM_StringConcatFormat_Cpp(benchmark::State &st) {
    for (auto _ : st) {
        long total = 0;
        char buf[64], fbuf[64];
        for (int i = 0; i < 100000; i++) {
            snprintf(fbuf, sizeof fbuf, "%g", (double)(float)(i * 0.5f));
            std::string s = "item" + std::to_string(i) + ":" + fbuf;
            snprintf(buf, sizeof buf, "%s=%d;%.2f", "k", i, (double)(i * 0.25f));
            total += (long)s.size() + (long)strlen(buf);
        }
        benchmark::DoNotOptimize(total);
    }
}
void BM_StringConcatFormat_Lua54(benchmark::State &st) {
    runLua(st, "local function str(n) local total = 0 for i = 0, n - 1 do local s = \"item\" .. i .. \":\" .. (i * 0.5)"
               " local f = string.format(\"%s=%d;%.2f\", \"k\", i, i * 0.25) total = total + #s + #f end return total end"
               " local r = str(100000)");
}

// A long string built piece by piece: 600 strings of 500 appends of 10
// characters each.
void BM_LongStringConcat_Script(benchmark::State &st) {
    Vm vm("function build() { local total = 0; for (local i = 0; i < 600; i++) { local s = \"\";"
          " for (local j = 0; j < 500; j++) s += format(\"%05d:%03d;\", i, j); total += s.len(); } return total; }");
    for (auto _ : st)
        if (vm.call("build", {}) != 3000000) st.SkipWithError("wrong total");
}
void BM_LongStringConcat_Lua54(benchmark::State &st) {
    runLua(st, "local total = 0 for i = 0, 599 do local s = \"\" for j = 0, 499 do"
               " s = s .. string.format(\"%05d:%03d;\", i, j) end total = total + #s end");
}

// Prints, after the usual table, each script case's time over Lua 5.4's and
// their geometric mean (script rows: processor time; Lua rows: the processor
// time Lua measured for the work; the fastest of the repetitions).
class LuaRatioReporter : public benchmark::ConsoleReporter {
public:
    explicit LuaRatioReporter(OutputOptions options) : ConsoleReporter(options) {}
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &r : runs) {
            if (r.error_occurred || r.run_type != Run::RT_Iteration) continue;
            std::string name = r.benchmark_name();
            name = name.substr(0, name.find('/'));
            // with repetitions, the fastest: the one least disturbed by other work
            double t = name.find("_Lua54") != std::string::npos ? r.GetAdjustedRealTime() : r.GetAdjustedCPUTime();
            auto it = times.find(name);
            if (it == times.end() || t < it->second) times[name] = t;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        double logSum = 0;
        int n = 0;
        for (auto &[name, t] : times) {
            size_t at = name.find("_Lua54");
            if (at == std::string::npos) continue;
            auto script = times.find(name.substr(0, at) + "_Script");
            if (script == times.end() || t <= 0) continue;
            double ratio = script->second / t;
            printf("%-32s script / Lua 5.4 = %.2f\n", name.substr(3, at - 3).c_str(), ratio);
            logSum += std::log(ratio);
            n++;
        }
        if (n) printf("%-32s script / Lua 5.4 = %.2f (%d cases)\n", "geometric mean", std::exp(logSum / n), n);
    }

private:
    std::map<std::string, double> times;
};

}  // namespace

BENCHMARK(BM_Fib27_Script)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fib27_Cpp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fib27_CppEveryCall)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fib27_Lua54)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_IntLoop10M_Script)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IntLoop10M_Cpp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IntLoop10M_Lua54)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_FloatMath_Script)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloatMath_Cpp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloatMath_Lua54)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_TableStringKeys_Script)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableStringKeys_Cpp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableStringKeys_Lua54)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_ArrayAppendIndex_Script)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArrayAppendIndex_Cpp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArrayAppendIndex_Lua54)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_MethodCalls_Script)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MethodCalls_Cpp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MethodCalls_Lua54)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_HostCalls65536_Script)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HostCalls65536_Cpp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StringConcatFormat_Script)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StringConcatFormat_Cpp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StringConcatFormat_Lua54)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_LongStringConcat_Script)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LongStringConcat_Lua54)->Unit(benchmark::kMillisecond)->UseManualTime();

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    LuaRatioReporter reporter(isatty(fileno(stdout)) ? benchmark::ConsoleReporter::OO_Defaults
                                                      : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
