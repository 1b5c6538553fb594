#pragma once
// Development overlay: coloured triangles and lines in world space, streamed
// through the shared dynamic vertex buffer between start and end of a pass.
#include <xmmintrin.h>

#include "render/render_types.h"

void init_debug_vis();
void close_debug_vis();
void start_draw_debug_vis();
void end_draw_debug_vis();

void draw_debug_vis_tri(__m128 a, __m128 b, __m128 c, D3dColor ca, D3dColor cb, D3dColor cc);
void draw_debug_vis_line(__m128 a, __m128 b, D3dColor ca, D3dColor cb);
// The box from min(a, b) - grow to max(a, b) + grow, 12 triangles.
void draw_debug_vis_solid_box(__m128 a, __m128 b, D3dColor color, float grow);
// A cube reaching size from the centre along each axis.
void draw_debug_vis_cube(__m128 center, float size, D3dColor color);
void draw_debug_vis_wire_box(__m128 a, __m128 b, D3dColor color);
void draw_debug_vis_cross_point(__m128 p, float size, D3dColor color);
