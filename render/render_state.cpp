#include "render/render_state.h"
#include <epoxy/gl.h>
#include <cmath>
#include <cstring>

namespace {
Matrix44 view_tm = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
Matrix44 proj_tm = view_tm;

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
