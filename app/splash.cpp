#include "app/splash.h"
#include <epoxy/gl.h>
#include "core/debug.h"
#include "render/device.h"
#include "render/render_state.h"
#include "render/scene_image.h"
#include "render/textures.h"

TempString<256> splash_text("Please wait...");
float splash_progress = -1.f;

namespace {
constexpr D3dColor SPLASH_CLEAR_COLOR = 0x00001133;
constexpr D3dColor SPLASH_TEXT_COLOR = 0xFFCCCCCC;
Texture* splash_background = nullptr;  // set by the first grab

void fill_rect(int x, int y, int w, int h, D3dColor color) {
  if (w <= 0 || h <= 0) return;
  glEnable(GL_SCISSOR_TEST);
  glScissor(x, y, w, h);
  clear_view_color(color);
  glDisable(GL_SCISSOR_TEST);
}

// The progress bar: a quarter of the width, one text height tall, below the
// text band's first line, an outline filled from the left.
void draw_progress_bar(float progress) {
  int text_h = int(0.03f * float(d3d_ht));
  if (text_h < 2) text_h = 2;
  int w = d3d_wd / 4, x = (d3d_wd - w) / 2;
  int y = int(0.9f * float(d3d_ht)) + text_h + text_h / 4;
  if (y + text_h > d3d_ht) y = d3d_ht - text_h;
  fill_rect(x, y, w, text_h, SPLASH_TEXT_COLOR);
  fill_rect(x + 1, y + 1, w - 2, text_h - 2, 0xFF000000);
  if (progress > 1.f) progress = 1.f;
  fill_rect(x + 2, y + 2, int(float(w - 4) * progress), text_h - 4, SPLASH_TEXT_COLOR);
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
  // The text is drawn by the font renderer once one is loaded.
  if (splash_progress >= 0) draw_progress_bar(splash_progress);
  end_scene();
  present_frame();
}

void grab_scene_image() {
  if (!grab_back_buffer(scene_image)) debug("error: scene image grab failed!");
  splash_background = scene_image;
}

void forget_splash_background() { splash_background = nullptr; }
