// A play frame of the real game at 1280 x 720 on the headless device: the
// game started as it starts, an islands world generated (sea, lakes, a
// castle; named, so the scene stays the same when the game's draws change), play mode with the
// player casting its spell, water and lava poured near it, then one update
// (the land refresh included) and one drawn frame, with the GPU waited for.
// Every figure is also given as a ratio to one plain full-screen pass (a
// triangle over an RGBA8 target reading one bilinear texture) timed in the
// same run, so the figures travel between machines. A second benchmark
// prints the wall time of each pass of the frame.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include <time.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "app/app_globals.h"
#include "app/app_shell.h"
#include "app/game_mode.h"
#include "app/input.h"
#include "app/launch_options.h"
#include "app/window.h"
#include "core/paths.h"
#include "core/ref_time.h"
#include "data/shader_constants.h"
#include "gameobj_host/gameobj_functions.h"
#include "render/bitmap_font.h"
#include "render/device.h"
#include "render/land_textures.h"
#include "render/dyn_vb_writer.h"
#include "render/dist_font.h"
#include "render/draw.h"
#include "render/pass_timer.h"
#include "render/render_state.h"
#include "render/scene_image.h"
#include "render/shaders.h"
#include "render/textures.h"
#include "script/world_generation.h"
#include "terrain/game_random.h"
#include "terrain/heightmap_data.h"

namespace {
constexpr float STEP = 0.05f;
int width = 1280, height = 720;

double thread_seconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

struct Game {
  bool up = false;
  int quality = -1;

  void start(int q) {
    if (up && quality == q) return;
    stop();
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    LaunchOptions opt;
    opt.width = width;
    opt.height = height;
    create_main_window(&opt);
    start_input(main_window);
    init_d3d(main_window, width, height);
    set_device_reset_hook(after_device_reset);
    common_vb_writer.init(COMMON_VB_SIZE);
    snprintf(app_path, sizeof(app_path), "%s/", EH_BIN_DIR);
    init_bitmap_font();
    gfx_quality = q;
    use_postfx = q == 1;
    init_game();
    game_rnd_seed = 7;
    generate_world("islands");
    set_game_mode(play_mode);
    if (gameobj_functions.toggle_mana_cheat) gameobj_functions.toggle_mana_cheat();
    // Hold the left button: the player keeps casting.
    push_input_event(INPUT_BUTTON_DOWN, VK_LBUTTON, 0, 0, float(width / 2), float(height / 2 + 80));
    for (int i = 0; i < 40; i++) frame();  // settle: spells land, fluids flow
    up = true;
    quality = q;
  }
  void stop() {
    if (!up) return;
    set_game_mode(nullptr);
    close_game();
    release_ui_fonts();
    close_bitmap_font();
    common_vb_writer.release();
    close_d3d();
    destroy_main_window();
    SDL_Quit();
    up = false;
  }
  // Fluid poured near the player every update, so the surfaces keep moving.
  void pour() {
    using namespace HeightmapData;
    static int n = 0;
    n++;
    int x = 120 + (n % 7), z = 130 + (n % 5);
    addWaterAt(z * HMAP_SIZE + x, 0.05f);
    addLavaAt((z + 20) * HMAP_SIZE + x, 0.02f);
  }
  void frame() {
    pour();
    time_dt = STEP;
    time_ik = 1.f;
    update_frame(STEP);
    time_dt = STEP / 2;
    time_ik = 0.5f;
    if (draw_frame(STEP / 2)) present_frame();
    flush_gpu();
  }
  ~Game() { stop(); }
};
Game game;

// The plain full-screen pass every figure is divided by.
struct PlainPass {
  Texture* target = nullptr;
  Shader* shader = nullptr;
  void run() {
    if (!target) {
      target = create_render_texture(width, height, TEXFMT_ARGB8);
      shader = create_shader("postfx_none.sh", nullptr);
    }
    set_render_target(target, 0, false);
    set_blend_none();
    set_zenable(false);
    set_zwrite(false);
    set_stencil_test(0, 0, 8);
    set_cull_mode(0);
    set_shader(shader);
    const float mapping[4] = {0.5f, -0.5f, 0.5f + 0.5f / float(width), 0.5f + 0.5f / float(height)};
    set_vs_const(VS_QUAD_MAPPING, mapping, 1);
    set_texture(0, scene_image);
    set_texture_filter(0, true);
    set_texture_address(0, 1, -1, -1);
    draw_postfx();
    set_texture(0, nullptr);
    set_back_buffer_target();
  }
  void release() {
    release_texture(target);
    destroy_shader(shader);
    target = nullptr;
    shader = nullptr;
  }
};

// Wall seconds of plain passes, the GPU waited for: a few after each timed
// frame, so the ratio holds while the machine's load changes.
struct PlainPassClock {
  PlainPass pass;
  double seconds = 0;
  long count = 0;
  void sample(int n = 3) {
    pass.run();
    flush_gpu();
    int64_t start = get_ref_time();
    for (int i = 0; i < n; i++) pass.run();
    flush_gpu();
    seconds += get_time_sec(get_ref_time() - start);
    count += n;
  }
  double mean() const { return seconds / double(count); }
  ~PlainPassClock() { pass.release(); }
};

void BM_PlayFrame(benchmark::State& state) {
  game.start(int(state.range(0)));
  PlainPassClock plain;
  double wall = 0, cpu = 0;
  long n = 0;
  for (auto _ : state) {
    int64_t start = get_ref_time();
    double c = thread_seconds();
    game.frame();
    cpu += thread_seconds() - c;
    wall += get_time_sec(get_ref_time() - start);
    n++;
    state.PauseTiming();
    plain.sample();
    state.ResumeTiming();
  }
  state.counters["plain_pass_ms"] = plain.mean() * 1e3;
  state.counters["frame_ms"] = wall / double(n) * 1e3;
  state.counters["frame_in_passes"] = wall / double(n) / plain.mean();
  state.counters["thread_cpu_ms"] = cpu / double(n) * 1e3;
}
BENCHMARK(BM_PlayFrame)->ArgName("quality")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The pass table: each pass's wall time per frame, in milliseconds and in
// plain passes, printed after the run.
void BM_PlayFramePasses(benchmark::State& state) {
  game.start(int(state.range(0)));
  PlainPassClock clock;
  reset_pass_times();
  set_pass_timing(true);
  long frames = 0, tiles = 0;
  for (auto _ : state) {
    game.frame();
    frames++;
    tiles += land_tiles_last_refreshed();
    set_pass_timing(false);
    clock.sample();
    set_pass_timing(true);
  }
  set_pass_timing(false);
  double plain = clock.mean();
  const PassTime* t;
  int count = get_pass_times(&t);
  fprintf(stderr, "\npasses of a play frame at %dx%d, quality %d (plain pass %.2f ms, %.1f of 256 land tiles relit):\n",
          width, height, int(state.range(0)), plain * 1e3, double(tiles) / double(frames));
  for (int i = 0; i < count; i++) {
    double per_frame = t[i].seconds / double(frames);
    fprintf(stderr, "  %-16s %8.2f ms %7.1f passes %5.2f calls\n", t[i].name, per_frame * 1e3, per_frame / plain,
            double(t[i].calls) / double(frames));
  }
}
BENCHMARK(BM_PlayFramePasses)
    ->ArgName("quality")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; i++)
    if (!strcmp(argv[i], "-360")) {
      width = 640;
      height = 360;
    }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  game.stop();
  benchmark::Shutdown();
  return 0;
}
