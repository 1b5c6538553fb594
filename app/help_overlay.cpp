#include "app/help_overlay.h"
#include <cmath>
#include "app/app_globals.h"
#include "app/game_mode.h"
#include "app/input.h"
#include "core/temp_string.h"
#include "gui/gui_runtime.h"
#include "render/bitmap_font.h"
#include "render/device.h"
#include "render/dist_font.h"
#include "render/sky.h"

namespace {
const char* const DEV_HELP =
    "F1: show/hide this\nF9: game/dev mode\nWASD/arrows: move\nShift: move faster\nF5: toggle post-effect\n"
    "F6: toggle anti-aliasing\nRight mouse: set sun position\nG: generate new world\nH: add water everywhere\n"
    "R: erode land\nCtrl-M: toggle monsters\nPrintScreen: screenshot\nAlt-Enter: toggle fullscreen\nAlt-F4: quit\n";
const char* const PLAY_HELP =
    "F1: show/hide this\nF9: game/dev mode\nWASD/arrows: move\ndouble-tap forward or backward: dash\n"
    "Space/PgUp: move up\nX/C/PgDn: move down\nhold Ctrl: select spells\nLMB/RMB: fire assigned spell\n"
    "Ctrl-G: generate new world\nCtrl-M: toggle monsters\nCtrl-N: mana cheat\nCtrl-...: other dev-mode keys\n"
    "PrintScreen: screenshot\nAlt-Enter: toggle fullscreen\nAlt-F4: quit\n";
constexpr D3dColor HELP_COLOR = 0xFFFFFFFF;
constexpr D3dColor HINT_COLOR = 0x66FFFFFF;
constexpr D3dColor DIST_HINT_COLOR = 0x99FFFFFF;  // the smooth face needs more to read as well
constexpr float DEGREES_PER_RADIAN = 57.29577951308232f;

bool dist_font_ready() { return default_font.fontSize > 0 && d3d_ht > 0; }

// Text in the menus' type face, its bottom left corner at (x, y), sized
// with the window like the menus (laid out for 1280 x 720).
void draw_dist_text(const char* text, float x, float y, float design_size, D3dColor color) {
  float s = fminf(float(d3d_ht) / 720.f, float(d3d_wd) / 1280.f), size = fmaxf(11.f, design_size * s);
  default_font.renderText(gui_batch, _mm_setr_ps(x * s, 0.f, float(d3d_wd), y), DIST_ALIGN_LEFT | DIST_ALIGN_BOTTOM,
                          color, size, text, -1, 0.f, 2.f, 2.f, 0.f, 0xA0000000);
  start_dist_font_render();
  gui_batch.render();
  end_dist_font_render();
  gui_batch.clear();
}
}  // namespace

const char* get_help_text() { return cur_game_mode == dev_mode ? DEV_HELP : PLAY_HELP; }

void draw_help_overlay() {
  // The help and its hint are play's text: the menus' type face, scaled
  // with the window, once that font is loaded.
  if (dist_font_ready()) {
    float bottom = float(d3d_ht) * (1.f - 6.f / 720.f);
    if (show_fps)
      draw_dist_text(get_help_text(), 14.f, bottom, 17.f, HELP_COLOR);
    else
      draw_dist_text("F1: help/stats", 10.f, bottom, 16.f, DIST_HINT_COLOR);
  } else {
    int line = bitmap_font_cell_height() * get_text_scale();
    if (show_fps)
      draw_text(get_help_text(), -1, line, d3d_ht - line, TEXT_LEFT, TEXT_BOTTOM, HELP_COLOR);
    else
      draw_text("F1: help/stats", -1, 2, d3d_ht - 3 * line, TEXT_LEFT, TEXT_BOTTOM, HINT_COLOR);
  }
  if (cur_game_mode == dev_mode && getKeyState(VK_RBUTTON)) {
    alignas(16) float sun[4];
    _mm_store_ps(sun, get_current_sun_dir());
    float y = fminf(fmaxf(sun[1], -1.f), 1.f);
    TempString<16> angle;
    angle.format("%3d", int(lroundf(acosf(y) * DEGREES_PER_RADIAN)));
    draw_text(angle, -1, 0, d3d_ht, TEXT_LEFT, TEXT_BOTTOM, HELP_COLOR);
  }
}
