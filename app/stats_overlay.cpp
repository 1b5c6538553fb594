#include "app/stats_overlay.h"
#include <cstdio>
#include "core/ref_time.h"
#include "render/bitmap_font.h"
#include "render/device.h"

namespace {
constexpr D3dColor PANEL_COLOR = 0x40000000;
constexpr D3dColor STEP_BAND_COLOR = 0x20008000;
constexpr D3dColor TEXT_COLOR = 0xFFFFFFFF;

void text_at(int x, int y, int align_x, int align_y, const char* fmt, int value) {
  char buf[32];
  snprintf(buf, sizeof(buf), fmt, value);
  draw_text(buf, -1, x, y, align_x, align_y, TEXT_COLOR);
}

// Bars of one ring hanging from the top of the screen; s is the time that
// fills half the height, t the update step.
void draw_graph(const int* ring, int write_index, int s, int t, bool right, int width, int height) {
  int b = width / 400;
  if (b < 2) b = 2;
  int h = height / 4;
  int x0 = right ? width - 200 * b : 0;
  if (s < 1) s = 1;
  draw_rect(x0, 0, x0 + 200 * b, h, PANEL_COLOR);
  if (2 * s >= t) draw_rect(x0, 0, x0 + 200 * b, int(int64_t(t) * h / (2 * s)), STEP_BAND_COLOR);
  int m = ring[0];
  for (int i = 1; i < TIMING_RING_SIZE; i++)
    if (ring[i] > m) m = ring[i];
  bool labelled = false;
  for (int i = 0; i < TIMING_RING_SIZE; i++) {
    int x = x0 + b / 2 + 1 + i * b;
    int value = ring[i];
    int64_t l = int64_t(value) * h / (2 * s);
    if (l > h) l = h;
    if (l < 0) l = 0;
    // The oldest sample is darkest, the newest brightest.
    int age = ((i - write_index) % TIMING_RING_SIZE + TIMING_RING_SIZE) % TIMING_RING_SIZE;
    uint32_t level = uint32_t(0.5f * float(age) / float(TIMING_RING_SIZE) * 255.f + 0.5f);
    D3dColor color = 0xFF000000 | (value < t ? level << 8 : level << 16);
    draw_rect(x, 0, x + b - 1, int(l), color);
    if (!labelled && value >= m) {
      labelled = true;
      int ly = int(l) > h / 2 ? int(l) : h / 2;
      text_at(x + (b - 2) / 2, ly, right ? TEXT_RIGHT : TEXT_LEFT, TEXT_TOP, "%d", value);
    }
  }
}
}  // namespace

RingSummary summarize_ring(const int* ring) {
  RingSummary r = {ring[0], ring[0], 0};
  int64_t sum = ring[0];
  for (int i = 1; i < TIMING_RING_SIZE; i++) {
    if (ring[i] > r.max)
      r.max = ring[i];
    else if (ring[i] < r.min)
      r.min = ring[i];
    sum += ring[i];
  }
  r.avg = int((sum + TIMING_RING_SIZE / 2) / TIMING_RING_SIZE);
  return r;
}

void draw_stats_panel(const FrameStats& st, int t, unsigned free_texmem, int W, int H) {
  int cell = bitmap_font_cell_height();
  if (cell <= 0) return;
  int k = H / (40 * cell);
  if (k < 1) k = 1;
  float u = float(cell * k);
  auto at = [&](float units) { return int(float(H) - units * u); };
  push_text_state();
  set_text_scale(k);
  RingSummary frame = summarize_ring(st.frameUsec);
  RingSummary update = summarize_ring(st.updateUsec);
  RingSummary gpu = summarize_ring(st.gpuLoad);

  draw_graph(st.frameUsec, st.frameIndex, t, t, true, W, H);
  int update_s = update.avg > 1000 ? update.avg : 1000;
  draw_graph(st.updateUsec, st.updateIndex, update_s < t ? update_s : t, t, false, W, H);

  draw_rect(int(float(W) - 12 * u), at(14), W, H, PANEL_COLOR);
  // The figures keep half a line clear of the window's edge.
  int right = W - int(0.5f * u);
  text_at(right, H, TEXT_RIGHT, TEXT_BOTTOM, "%d", st.fps);
  text_at(right, at(1.5f), TEXT_RIGHT, TEXT_BOTTOM, "%02d", frame.max);
  text_at(right, at(2.5f), TEXT_RIGHT, TEXT_BOTTOM, "%02d", frame.avg);
  text_at(right, at(3.5f), TEXT_RIGHT, TEXT_BOTTOM, "%02d", frame.min);
  text_at(right, at(5), TEXT_RIGHT, TEXT_BOTTOM, "%02d", update.max);
  text_at(right, at(6), TEXT_RIGHT, TEXT_BOTTOM, "%02d", update.avg);
  text_at(right, at(7), TEXT_RIGHT, TEXT_BOTTOM, "%02d", update.min);
  text_at(right, at(8.5f), TEXT_RIGHT, TEXT_BOTTOM, "%3d MB", int(free_texmem >> 20));
  int label_x = int(float(W) - 11 * u);
  draw_text("FPS", -1, label_x, H, TEXT_LEFT, TEXT_BOTTOM, TEXT_COLOR);
  draw_text("frame\ntime", -1, label_x, at(3), TEXT_LEFT, TEXT_MIDDLE, TEXT_COLOR);
  draw_text("update\ntime", -1, label_x, at(6.5f), TEXT_LEFT, TEXT_MIDDLE, TEXT_COLOR);
  draw_text("tex\nmem", -1, label_x, at(9), TEXT_LEFT, TEXT_MIDDLE, TEXT_COLOR);
  // Only when a GPU-load source gives figures.
  if (gpu.max >= 0) {
    draw_text("GPU\nload", -1, label_x, at(11.5f), TEXT_LEFT, TEXT_MIDDLE, TEXT_COLOR);
    text_at(right, at(10), TEXT_RIGHT, TEXT_BOTTOM, "%3d%%", gpu.max);
    text_at(right, at(11), TEXT_RIGHT, TEXT_BOTTOM, "%3d%%", gpu.avg);
    text_at(right, at(12), TEXT_RIGHT, TEXT_BOTTOM, "%3d%%", gpu.min);
  }
  pop_text_state();
}

void draw_stats() {
  int step_usec = get_time_usec(main_frame_loop.updateStep());
  draw_stats_panel(frame_stats, step_usec, get_free_texmem(), d3d_wd, d3d_ht);
}
