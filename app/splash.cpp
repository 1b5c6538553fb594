#include "app/splash.h"
#include <cmath>
#include "core/debug.h"
#include "render/bitmap_font.h"
#include "render/device.h"
#include "render/dist_font.h"
#include "render/render_state.h"
#include "render/scene_image.h"
#include "render/textures.h"

TempString<256> splash_text("Please wait...");
float splash_progress = -1.f;

namespace {
constexpr D3dColor SPLASH_CLEAR_COLOR = 0x00001133;
constexpr D3dColor SPLASH_TEXT_COLOR = 0xFFCCCCCC;
constexpr D3dColor SPLASH_BAR_BACK = 0xFF000000;
constexpr D3dColor SPLASH_SHADOW_COLOR = 0x88000000;
constexpr float SPLASH_SHADOW_OFFSET = 6.f;  // percent of the font size
Texture* splash_background = nullptr;  // set by the first grab

// A rectangle with rounded corners of radius r, as one span per pixel row;
// only the part left of clip_x is drawn.
void draw_rounded_rect(int x, int y, int w, int h, int r, int clip_x, D3dColor color) {
  if (w <= 0 || h <= 0) return;
  if (r > h / 2) r = h / 2;
  for (int row = 0; row < h; row++) {
    int edge = row < r ? r - row : row >= h - r ? row - (h - r) + 1 : 0;
    int inset = 0;
    if (edge > 0) {
      float dy = float(edge) - 0.5f;
      inset = int(float(r) - sqrtf(float(r * r) - dy * dy) + 0.5f);
    }
    int x1 = x + w - inset < clip_x ? x + w - inset : clip_x;
    draw_rect(x + inset, y + row, x1, y + row + 1, color);
  }
}

// A quarter of the width, one text height tall, just below the text: a
// rounded outline filled from the left.
void draw_progress_bar(float progress, int text_h, int y) {
  if (progress > 1.f) progress = 1.f;
  int w = d3d_wd / 4, x = (d3d_wd - w) / 2;
  int r = text_h / 3;
  int line = text_h >= 12 ? 2 : 1;
  draw_rounded_rect(x, y, w, text_h, r, x + w, SPLASH_TEXT_COLOR);
  draw_rounded_rect(x + line, y + line, w - 2 * line, text_h - 2 * line, r - line, x + w, SPLASH_BAR_BACK);
  int inner = line * 2;
  int fill_w = int(float(w - 2 * inner) * progress + 0.5f);
  draw_rounded_rect(x + inner, y + inner, w - 2 * inner, text_h - 2 * inner, r - inner, x + inner + fill_w,
                    SPLASH_TEXT_COLOR);
}

// The distance-field font once it is loaded, else the bitmap font at the
// integer scale nearest the text height. Returns the height drawn.
int draw_splash_text(int top, int text_h) {
  if (default_font.fontSize > 0) {
    static RenderBatch batch(4096);
    batch.clear();
    __m128 band = _mm_setr_ps(0.f, float(top), float(d3d_wd), float(d3d_ht));
    default_font.renderText(batch, band, DIST_ALIGN_TOP, SPLASH_TEXT_COLOR, float(text_h), splash_text.c_str(), -1, 0.f,
                            SPLASH_SHADOW_OFFSET, SPLASH_SHADOW_OFFSET, 0.f, SPLASH_SHADOW_COLOR);
    start_dist_font_render();
    batch.render();
    end_dist_font_render();
    return text_h;
  }
  push_text_state();
  int cell = bitmap_font_cell_height() > 0 ? bitmap_font_cell_height() : 16;
  set_text_scale((text_h + cell / 2) / cell);
  draw_text(splash_text.c_str(), -1, d3d_wd / 2, top, TEXT_CENTER, TEXT_TOP, SPLASH_TEXT_COLOR);
  int drawn_w, drawn_h = 0;
  calc_text_size("X", 1, drawn_w, drawn_h);
  pop_text_state();
  return drawn_h;
}

void draw_splash() {
  int text_h = int(0.03f * float(d3d_ht));
  if (text_h < 4) text_h = 4;
  int top = int(0.9f * float(d3d_ht));
  start_draw_text();
  int drawn_h = draw_splash_text(top, text_h);
  if (splash_progress >= 0) {
    int y = top + (drawn_h > text_h ? drawn_h : text_h) + text_h / 4;
    if (y + text_h > d3d_ht) y = d3d_ht - text_h;
    draw_progress_bar(splash_progress, text_h, y);
  }
  end_draw_text();
}
}  // namespace

void show_splash(const char* text, float progress) {
  splash_text = text;
  splash_progress = progress;
  if (!d3d_device_exists()) return;
  // Outside the loop: wait for nothing, draw, present at once.
  bool limit = d3d_limit_buffered_frames;
  d3d_limit_buffered_frames = false;
  bool began = begin_scene();
  d3d_limit_buffered_frames = limit;
  if (!began) return;
  set_back_buffer_target();
  if (splash_background)
    draw_texture_over_back_buffer(splash_background);
  else
    clear_view_color(SPLASH_CLEAR_COLOR);
  draw_splash();
  end_scene();
  present_frame();
}

void grab_scene_image() {
  if (!grab_back_buffer(scene_image)) debug("error: scene image grab failed!");
  splash_background = scene_image;
}

void forget_splash_background() { splash_background = nullptr; }
