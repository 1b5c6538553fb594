// The visual log and the error band, drawn with the bitmap font in the
// frame's text layer. Lines longer than the window is wide are wrapped.
#include <algorithm>
#include "core/debug.h"
#include "render/bitmap_font.h"
#include "render/device.h"
#include "render/text_wrap.h"

namespace {

constexpr int MAX_BAND_ROWS = 32;

int line_height() {
  int w, h;
  calc_text_size("A", 1, w, h);
  return h;
}

// The error band's rows (at text scale 2) and the top of the first; the last
// row's bottom is one cell above the screen's.
int error_band_rows(TextLine* rows, int& top) {
  int cell = bitmap_font_cell_height();
  int count = wrap_text(get_error_message(), d3d_wd - 2 * cell, rows, MAX_BAND_ROWS);
  top = d3d_ht - cell - count * line_height();
  return count;
}

}  // namespace

void draw_visual_log() {
  const DynArray<VisualLogLine>& lines = get_visual_log();
  if (lines.num == 0) return;
  int cell = bitmap_font_cell_height();
  push_text_state();
  set_text_scale(2);
  // The newest line at the top, older ones below it, down to the error
  // band's text.
  int bottom = d3d_ht;
  if (has_error_message()) {
    TextLine band[MAX_BAND_ROWS];
    error_band_rows(band, bottom);
  }
  int top = 2 * cell, line_h = line_height();
  for (int i = lines.num - 1; i >= 0; i--) {
    TextLine rows[8];
    int count = wrap_text(lines[i].c_str(), d3d_wd - 4 * cell, rows, 8);
    for (int r = 0; r < count && top + line_h <= bottom; r++, top += line_h)
      draw_text(rows[r].text, rows[r].len, 2 * cell, top, TEXT_LEFT, TEXT_TOP, 0xFFFFFFFF);
  }
  pop_text_state();
}

void draw_error_message() {
  if (!has_error_message()) return;
  int cell = bitmap_font_cell_height();
  push_text_state();
  set_text_scale(2);
  TextLine rows[MAX_BAND_ROWS];
  int top;
  int count = error_band_rows(rows, top);
  int line_h = line_height();
  // At least 12 cells high, taller when the message needs it.
  draw_rect(0, std::min(d3d_ht - 12 * cell, top - cell), d3d_wd, d3d_ht, 0xCC660000);
  for (int r = 0; r < count; r++)
    draw_text(rows[r].text, rows[r].len, d3d_wd / 2, top + r * line_h, TEXT_CENTER, TEXT_TOP, 0xFFFFEE00);
  pop_text_state();
}
