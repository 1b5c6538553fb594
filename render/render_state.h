#pragma once
// The view, projection and viewport, and clears. The fixed-function state
// of a pass (blending, depth, culling, stencil, masks, targets) is one value:
// render/draw_state.h.
#include "render/draw_state.h"
#include "render/render_types.h"

void set_view_tm(const Matrix44& tm);
void set_proj_tm(const Matrix44& tm);
void set_proj_tm(float fov, float aspect, float znear, float zfar);
void get_glob_tm(Matrix44& out);  // view x projection
void get_view_tm(Matrix44& out);
void get_proj_tm(Matrix44& out);
void set_viewport(int x, int y, int w, int h);

void clear_view(D3dColor color);        // colour, depth 1, stencil 0
void clear_view_color(D3dColor color);  // colour only
void clear_view_z();                    // depth 1, stencil 0

void matrix_multiply(const Matrix44& a, const Matrix44& b, Matrix44& out);
