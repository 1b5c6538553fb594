#pragma once
// Draw calls. The bound shader, declaration, streams and constants are
// applied to GL lazily, just before each draw.
#include "render/render_types.h"

void draw_indexed(int prim_type, int base_vertex, int min_index, int num_vertices, int start_index,
                  int prim_count);
void draw_prim(int prim_type, int start_vertex, int prim_count);
// count > 0: stream 0 is drawn count times and stream 1 advances once per
// instance; count <= 0 turns instancing off.
void set_instancing(int count);
// One full-screen quad through (-1,-1,0)..(1,1,0).
void draw_postfx();

// Device internals.
void init_draw_state();
void close_draw_state();
void invalidate_vertex_state();
