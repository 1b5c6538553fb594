#pragma once
// The state API every renderer uses.
#include "render/render_types.h"

void set_blend_none();
void set_blend_additive();     // src + dst
void set_blend_smooth_add();   // src + dst * (1 - src colour)
void set_blend_alpha();        // src * src alpha + dst * (1 - src alpha)
void set_blend_prealpha();     // src + dst * (1 - src alpha)
void set_blend_multiply();     // src * dst colour
// Alpha blending into render target 0 only, keeping its alpha; the other
// targets are written as they are (a surface drawn over a G-buffer).
// set_blend_none and set_color_write_mask end it.
void set_blend_first_target_alpha();
// ref < 1: alpha test off; otherwise pixels pass when alpha * 255 >= ref.
// Pixel shaders apply it with ALPHA_TEST(colour).
void set_atest(int ref);
void set_cull_mode(int mode);  // non-zero: cull counter-clockwise faces
void set_zenable(bool on);
void set_zwrite(bool on);
void set_color_write_mask(int mask);  // bit 0 red, 1 green, 2 blue, 3 alpha
void set_wireframe(bool on);
// mask 0: stencil test off. func: 1 never, 2 less, 3 equal, 4 less-equal,
// 5 greater, 6 not equal, 7 greater-equal, 8 always.
void set_stencil_test(int mask, int ref, int func);
void set_stencil_replace_bits(int bits);

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

// Device internals: the state a new frame and a new device start from.
void reset_render_state();
void reapply_color_write_mask();
float get_alpha_test_ref();  // -1 when off, else ref / 255
void matrix_multiply(const Matrix44& a, const Matrix44& b, Matrix44& out);
