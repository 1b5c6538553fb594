// Screen text on the real (headless) device with the game's fonts: a frame
// of developer overlays (error band, a full visual log, statistics) and a
// page of 2,000 distance-field glyphs laid out and batched.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include "bench/headless_device.h"
#include <cstdio>
#include <cstdlib>
#include <string>
#include "app/stats_overlay.h"
#include "core/debug.h"
#include "core/paths.h"
#include "render/bitmap_font.h"
#include "render/device.h"
#include "render/dist_font.h"
#include "render/dyn_vb_writer.h"
#include "render/overlay_text.h"
#include "render/render_state.h"
#include "render/textures.h"

namespace {
struct Device {
  HeadlessDevice gl{1280, 720, EH_BIN_DIR};
  Device() {
    init_bitmap_font();
    load_ui_fonts();
    for (int i = 0; i < VISUAL_LOG_MAX_LINES; i++)
      visual_log("%3d: loaded texture 'fonts/body.dds', 1024 x 256, %d levels", i, i % 4);
    set_error_message("Error in world script:\nthe index 'height' does not exist\nat generate_world (gen/main.nut:42)");
    for (int i = 0; i < TIMING_RING_SIZE; i++) {
      stats.frameUsec[i] = 15000 + (i * 7919) % 40000;
      stats.updateUsec[i] = 2000 + (i * 104729) % 3000;
      stats.gpuLoad[i] = -1;
    }
    stats.fps = 58;
  }
  ~Device() {
    release_ui_fonts();
    close_bitmap_font();
  }
  FrameStats stats = {};
};
Device& device() {
  static Device d;
  return d;
}

void overlay_frame(Device& d, bool draw) {
  start_draw_text();
  draw_error_message();
  draw_visual_log();
  draw_stats_panel(d.stats, 50000, 0, d3d_wd, d3d_ht);
  if (draw) end_draw_text();
}

// Layout and batching only, then the same with the batch drawn.
void BM_OverlayFrameLayout(benchmark::State& state) {
  Device& d = device();
  for (auto _ : state) overlay_frame(d, false);
}
BENCHMARK(BM_OverlayFrameLayout)->Unit(benchmark::kMicrosecond);

void BM_OverlayFrameDrawn(benchmark::State& state) {
  Device& d = device();
  set_back_buffer_target();
  for (auto _ : state) overlay_frame(d, true);
  flush_gpu();
}
BENCHMARK(BM_OverlayFrameDrawn)->Unit(benchmark::kMicrosecond);

// 25 lines of 80 letters: 2,000 glyphs with kerning.
std::string page_text() {
  const std::string words = "AVATAR-Tokyo-WAVE-quick-brown-fox-jumps-over-lazy-dogs-";
  std::string line;
  while (line.size() < 80) line += words[line.size() % words.size()];
  std::string page;
  for (int i = 0; i < 25; i++) page += line + "\n";
  return page;
}

void BM_DistFontPage2000Glyphs(benchmark::State& state) {
  device();
  std::string page = page_text();
  RenderBatch batch(256 * 1024);
  int glyphs = 0;
  default_font.calcTextBox(page.c_str(), -1, &glyphs);
  if (glyphs != 2000) state.SkipWithError("the page is not 2,000 glyphs");
  for (auto _ : state) {
    batch.clear();
    default_font.renderText(batch, _mm_setr_ps(0, 0, 1280, 720), DIST_ALIGN_LEFT | DIST_ALIGN_TOP, 0xFFFFFFFF, 14,
                            page.c_str(), -1, 0, 4, 4, 1, 0xFF000000);
    benchmark::DoNotOptimize(batch.groups.num);
  }
  state.counters["glyphs"] = glyphs;
}
BENCHMARK(BM_DistFontPage2000Glyphs)->Unit(benchmark::kMicrosecond);
}  // namespace

BENCHMARK_MAIN();
