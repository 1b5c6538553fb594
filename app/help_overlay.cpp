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
constexpr float DEGREES_PER_RADIAN = 57.29577951308232f;
}  // namespace

namespace {
// The hint is play's text, in the menus' type face when it is loaded,
// sized with the window like them.
void draw_help_hint() {
  if (default_font.fontSize <= 0 || d3d_ht <= 0) {
    int line = bitmap_font_cell_height() * get_text_scale();
    draw_text("F1: help/stats", -1, 2, d3d_ht - 3 * line, TEXT_LEFT, TEXT_BOTTOM, HINT_COLOR);
    return;
  }
  float s = float(d3d_ht) / 720.f, size = fmaxf(11.f, 16.f * s), h = float(d3d_ht);
  default_font.renderText(gui_batch, _mm_setr_ps(8.f * s, h - size * 3.f, 400.f * s + size * 10.f, h - 6.f * s),
                          DIST_ALIGN_LEFT | DIST_ALIGN_BOTTOM, 0x99FFFFFF, size, "F1: help/stats", -1, 0.f, 2.f, 2.f,
                          0.f, 0x80000000);
  start_dist_font_render();
  gui_batch.render();
  end_dist_font_render();
  gui_batch.clear();
}
}  // namespace

const char* get_help_text() { return cur_game_mode == dev_mode ? DEV_HELP : PLAY_HELP; }

void draw_help_overlay() {
  int line = bitmap_font_cell_height() * get_text_scale();
  if (show_fps)
    draw_text(get_help_text(), -1, line, d3d_ht - line, TEXT_LEFT, TEXT_BOTTOM, HELP_COLOR);
  else
    draw_help_hint();
  if (cur_game_mode == dev_mode && getKeyState(VK_RBUTTON)) {
    alignas(16) float sun[4];
    _mm_store_ps(sun, get_current_sun_dir());
    float y = fminf(fmaxf(sun[1], -1.f), 1.f);
    TempString<16> angle;
    angle.format("%3d", int(lroundf(acosf(y) * DEGREES_PER_RADIAN)));
    draw_text(angle, -1, 0, d3d_ht, TEXT_LEFT, TEXT_BOTTOM, HELP_COLOR);
  }
}
