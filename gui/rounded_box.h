#pragma once
// Rounded boxes and lines for menus: one quad each, shaped in the pixel
// shader "roundedBox.sh" from the distance to the box, so edges stay smooth
// at any size and a line is a thin box turned along its direction.
#include <xmmintrin.h>
#include "render/render_types.h"

class RenderBatch;

// rect: x0, y0, x1, y1 in screen pixels; radii: corner radii top-left,
// top-right, bottom-right, bottom-left (at most half the shorter side).
// softness: width of the edge ramp in pixels (1 for a crisp smooth edge,
// more for a glow); shadow: size of a soft drop shadow under the box (0 for
// none); the fill's brightness runs from gradient_top at the top edge to
// gradient_bottom at the bottom; a border of border_width pixels inside the
// edge in border colour.
void render_rounded_box(RenderBatch& batch, __m128 rect, __m128 radii, D3dColor fill, float softness, float shadow,
                        float gradient_top, float gradient_bottom, D3dColor border, float border_width);
// A line from (x0, y0) to (x1, y1) (the vector's four lanes) with round
// ends, smooth edges.
void render_ui_line(RenderBatch& batch, __m128 line, float width, D3dColor color);

void init_rounded_box_render();
void close_rounded_box_render();
