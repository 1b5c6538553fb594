// The game's frame loop for 10 s of real time on the real window and device
// (headless), with the game's subsystems started as in the game: updates per
// second, frames drawn, and heap allocations per drawn frame once the loop
// has settled.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <link.h>
#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>
#include "app/app_globals.h"
#include "app/app_shell.h"
#include "app/frame_loop.h"
#include "app/game_mode.h"
#include "app/input.h"
#include "app/launch_options.h"
#include "app/window.h"
#include "core/paths.h"
#include "core/ref_time.h"
#include "render/device.h"
#include "render/render_state.h"

// Every heap allocation of the process, the driver's included, and those
// made by the engine's own code (the caller lies in this executable, where
// the engine is linked).
static std::atomic<long> heap_allocations{0};
static std::atomic<long> engine_allocations{0};
// The executable's loaded address range, found once before anything is
// counted (dl_iterate_phdr names the main program "").
static uintptr_t exe_begin = 0, exe_end = 0;
static int find_executable(dl_phdr_info* info, size_t, void*) {
  if (info->dlpi_name && info->dlpi_name[0]) return 0;
  for (int i = 0; i < info->dlpi_phnum; i++) {
    const ElfW(Phdr)& ph = info->dlpi_phdr[i];
    if (ph.p_type != PT_LOAD) continue;
    uintptr_t b = info->dlpi_addr + ph.p_vaddr, e = b + ph.p_memsz;
    if (!exe_begin || b < exe_begin) exe_begin = b;
    if (e > exe_end) exe_end = e;
  }
  return 1;
}
static bool in_executable(void* caller) {
  uintptr_t a = reinterpret_cast<uintptr_t>(caller);
  return a >= exe_begin && a < exe_end;
}
static void count_allocation(void* caller) {
  heap_allocations.fetch_add(1, std::memory_order_relaxed);
  if (in_executable(caller)) engine_allocations.fetch_add(1, std::memory_order_relaxed);
}
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void __libc_free(void*);
void* malloc(size_t n) {
  count_allocation(__builtin_return_address(0));
  return __libc_malloc(n);
}
void* calloc(size_t n, size_t s) {
  count_allocation(__builtin_return_address(0));
  return __libc_calloc(n, s);
}
void* realloc(void* p, size_t n) {
  count_allocation(__builtin_return_address(0));
  return __libc_realloc(p, n);
}
}
void* operator new(size_t n) {
  count_allocation(__builtin_return_address(0));
  void* p = __libc_malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  return p;
}
void operator delete(void* p) noexcept { __libc_free(p); }
void operator delete(void* p, size_t) noexcept { __libc_free(p); }

namespace {
constexpr int UPDATES = 201;  // 200 steps between the first and the last

// A game mode that notes when updates start and counts drawn frames.
class BenchMode : public GameMode {
public:
  std::vector<int64_t> updateStarts;
  long frames = 0, framesCounted = 0, allocationsAtSettle = -1, engineAllocationsAtSettle = -1;
  void enter(GameMode*) override {}
  void leave(GameMode*) override {}
  void update(float) override {
    updateStarts.push_back(get_ref_time());
    if (updateStarts.size() == 21) {  // one second in: settled
      allocationsAtSettle = heap_allocations.load();
      engineAllocationsAtSettle = engine_allocations.load();
      framesCounted = frames;
    }
  }
  void render(float) override {
    frames++;
    clear_view(0xFF203040);
  }
  void renderOverlay(float) override {}
};

void BM_FrameLoopTenSeconds(benchmark::State& state) {
  dl_iterate_phdr(find_executable, nullptr);
  for (auto _ : state) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    LaunchOptions opt;
    opt.width = 640;
    opt.height = 360;
    create_main_window(&opt);
    start_input(main_window);
    if (!init_d3d(main_window, opt.width, opt.height)) {
      state.SkipWithError("no render device");
      return;
    }
    snprintf(app_path, sizeof(app_path), "%s/", EH_BIN_DIR);  // the module and data
    init_game();
    BenchMode mode;
    mode.updateStarts.reserve(UPDATES + 8);
    cur_game_mode = &mode;
    set_update_rate(20, 5);
    set_quit_after_updates(UPDATES);
    run_frame_loop();
    long allocations = heap_allocations.load() - mode.allocationsAtSettle;
    long engine = engine_allocations.load() - mode.engineAllocationsAtSettle;
    long frames = mode.frames - mode.framesCounted;
    cur_game_mode = nullptr;
    close_game();
    close_d3d();
    destroy_main_window();
    SDL_Quit();

    double seconds = get_time_sec(mode.updateStarts.back() - mode.updateStarts.front());
    state.counters["updates_per_s"] = double(mode.updateStarts.size() - 1) / seconds;
    state.counters["seconds"] = seconds;
    state.counters["frames_per_s"] = double(mode.frames) / seconds;
    state.counters["heap_allocs_per_frame"] = frames > 0 ? double(allocations) / double(frames) : -1;
    state.counters["engine_allocs_per_frame"] = frames > 0 ? double(engine) / double(frames) : -1;
  }
}
BENCHMARK(BM_FrameLoopTenSeconds)->Iterations(1)->Unit(benchmark::kMillisecond);
}  // namespace

BENCHMARK_MAIN();
