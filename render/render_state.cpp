#include "render/render_state.h"
#include <epoxy/gl.h>
#include <cmath>
#include <cstring>

namespace {
Matrix44 view_tm = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
Matrix44 proj_tm = view_tm;
int color_write_mask = 15;
float alpha_test_ref = -1.f;

void set_blend(GLenum src, GLenum dst) {
  glEnable(GL_BLEND);
  glBlendEquation(GL_FUNC_ADD);
  glBlendFunc(src, dst);
}

GLenum compare_func(int func) {
  static const GLenum funcs[9] = {GL_ALWAYS, GL_NEVER, GL_LESS, GL_EQUAL, GL_LEQUAL,
                                  GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
  return func >= 1 && func <= 8 ? funcs[func] : GL_ALWAYS;
}

void clear_color_of(D3dColor c) {
  glClearColor(float((c >> 16) & 255) / 255.f, float((c >> 8) & 255) / 255.f, float(c & 255) / 255.f,
               float(c >> 24) / 255.f);
}

// Clears ignore the write masks, as the renderers expect.
void clear(GLbitfield what) {
  GLboolean depth_mask;
  GLint stencil_mask;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &depth_mask);
  glGetIntegerv(GL_STENCIL_WRITEMASK, &stencil_mask);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glDepthMask(GL_TRUE);
  glStencilMask(0xFF);
  glClearDepth(1.0);
  glClearStencil(0);
  glClear(what);
  reapply_color_write_mask();
  glDepthMask(depth_mask);
  glStencilMask(GLuint(stencil_mask));
}
}  // namespace

void set_blend_none() { glDisable(GL_BLEND); }
void set_blend_additive() { set_blend(GL_ONE, GL_ONE); }
void set_blend_smooth_add() { set_blend(GL_ONE, GL_ONE_MINUS_SRC_COLOR); }
void set_blend_alpha() { set_blend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); }
void set_blend_prealpha() { set_blend(GL_ONE, GL_ONE_MINUS_SRC_ALPHA); }
void set_blend_multiply() { set_blend(GL_DST_COLOR, GL_ZERO); }

void set_blend_first_target_alpha() {
  set_blend_alpha();
  for (GLuint i = 1; i < 4; i++) glDisablei(GL_BLEND, i);
  glColorMaski(0, (color_write_mask & 1) != 0, (color_write_mask & 2) != 0, (color_write_mask & 4) != 0, GL_FALSE);
}

void set_atest(int ref) { alpha_test_ref = ref < 1 ? -1.f : float(ref) / 255.f; }
float get_alpha_test_ref() { return alpha_test_ref; }

void set_cull_mode(int mode) {
  // The back buffer and every target keep row 0 at the top, so window
  // coordinates run like screen coordinates and the faces to cull are GL's
  // clockwise ones.
  if (mode) {
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glCullFace(GL_BACK);
  } else {
    glDisable(GL_CULL_FACE);
  }
}

void set_zenable(bool on) {
  if (on) {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
  } else {
    glDisable(GL_DEPTH_TEST);
  }
}

void set_zwrite(bool on) { glDepthMask(on ? GL_TRUE : GL_FALSE); }

void set_color_write_mask(int mask) {
  color_write_mask = mask;
  reapply_color_write_mask();
}

void reapply_color_write_mask() {
  glColorMask((color_write_mask & 1) != 0, (color_write_mask & 2) != 0, (color_write_mask & 4) != 0,
              (color_write_mask & 8) != 0);
}

void set_wireframe(bool on) { glPolygonMode(GL_FRONT_AND_BACK, on ? GL_LINE : GL_FILL); }

void set_stencil_test(int mask, int ref, int func) {
  if (!mask) {
    glDisable(GL_STENCIL_TEST);
    return;
  }
  glEnable(GL_STENCIL_TEST);
  glStencilFunc(compare_func(func), ref, GLuint(mask));
}

void set_stencil_replace_bits(int bits) {
  glStencilMask(GLuint(bits));
  glStencilOp(GL_KEEP, GL_KEEP, bits ? GL_REPLACE : GL_KEEP);
}

void set_view_tm(const Matrix44& tm) { view_tm = tm; }
void set_proj_tm(const Matrix44& tm) { proj_tm = tm; }
void get_view_tm(Matrix44& out) { out = view_tm; }
void get_proj_tm(Matrix44& out) { out = proj_tm; }

void set_proj_tm(float fov, float aspect, float zn, float zf) {
  float s = 1.f / tanf(fov * 0.5f);
  float q = zf / (zf - zn);
  Matrix44 p = {{{s / aspect, 0, 0, 0}, {0, s, 0, 0}, {0, 0, q, 1}, {0, 0, -zn * q, 0}}};
  proj_tm = p;
}

void matrix_multiply(const Matrix44& a, const Matrix44& b, Matrix44& out) {
  Matrix44 r;
  for (int i = 0; i < 4; i++)
    for (int j = 0; j < 4; j++) {
      float sum = 0;
      for (int k = 0; k < 4; k++) sum += a.m[i][k] * b.m[k][j];
      r.m[i][j] = sum;
    }
  out = r;
}

void get_glob_tm(Matrix44& out) { matrix_multiply(view_tm, proj_tm, out); }

void set_viewport(int x, int y, int w, int h) {
  glViewport(x, y, w, h);
  glDepthRange(0.0, 1.0);
}

void clear_view(D3dColor c) {
  clear_color_of(c);
  clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}
void clear_view_color(D3dColor c) {
  clear_color_of(c);
  clear(GL_COLOR_BUFFER_BIT);
}
void clear_view_z() { clear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT); }

void reset_render_state() {
  set_blend_none();
  set_atest(0);
  set_cull_mode(1);
  set_zenable(false);
  set_zwrite(true);
  set_color_write_mask(15);
  set_wireframe(false);
  set_stencil_test(0, 0, 8);
  set_stencil_replace_bits(0);
  glDisable(GL_SCISSOR_TEST);
}
