// The visual log and the error band, drawn with the bitmap font in the
// frame's text layer.
#include "render/overlay_text.h"
#include "core/debug.h"
#include "render/bitmap_font.h"
#include "render/device.h"

void draw_visual_log() {
  const DynArray<VisualLogLine>& lines = get_visual_log();
  if (lines.num == 0) return;
  int cell = bitmap_font_cell_height();
  push_text_state();
  set_text_scale(2);
  // The newest line at the top, older ones below it.
  for (int i = 0; i < lines.num; i++)
    draw_text(lines[i].c_str(), -1, 2 * cell, 2 * cell * (lines.num - i), TEXT_LEFT, TEXT_TOP, 0xFFFFFFFF);
  pop_text_state();
}

void draw_error_message() {
  if (!has_error_message()) return;
  int cell = bitmap_font_cell_height();
  push_text_state();
  set_text_scale(2);
  draw_rect(0, d3d_ht - 12 * cell, d3d_wd, d3d_ht, 0xCC660000);
  draw_text(get_error_message(), -1, d3d_wd / 2, d3d_ht - cell, TEXT_CENTER, TEXT_BOTTOM, 0xFFFFEE00);
  pop_text_state();
}
