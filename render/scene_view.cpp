#include "render/scene_view.h"
#include <cmath>
#include "render/device.h"
#include "render/render_state.h"
#include "render/shaders.h"
#include "render/textures.h"

Matrix44 cur_view_tm = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
Matrix44 cur_view_itm = cur_view_tm;
Matrix44 cur_glob_tm = cur_view_tm;
Matrix44 cur_proj_tm = cur_view_tm;
__m128 cur_glob_rk = _mm_set1_ps(1.f);

// The camera matrix is a rotation and a translation, so its inverse is the
// transposed rotation with the translation turned back.
Matrix44 rigid_inverse(const Matrix44& m) {
  Matrix44 r = {};
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) r.m[i][j] = m.m[j][i];
  for (int j = 0; j < 3; j++)
    r.m[3][j] = -(m.m[3][0] * r.m[0][j] + m.m[3][1] * r.m[1][j] + m.m[3][2] * r.m[2][j]);
  r.m[3][3] = 1.f;
  return r;
}

namespace {
void load_columns(int first, const Matrix44& m) {
  float cols[4][4];
  for (int c = 0; c < 4; c++)
    for (int r = 0; r < 4; r++) cols[c][r] = m.m[r][c];
  set_vs_const(first, &cols[0][0], 4);
}
}  // namespace

void publish_scene_view() {
  get_view_tm(cur_view_tm);
  get_proj_tm(cur_proj_tm);
  cur_view_itm = rigid_inverse(cur_view_tm);
  matrix_multiply(cur_view_tm, cur_proj_tm, cur_glob_tm);
  float rk[4];
  for (int c = 0; c < 4; c++) {
    const Matrix44& g = cur_glob_tm;
    rk[c] = sqrtf(g.m[0][c] * g.m[0][c] + g.m[1][c] * g.m[1][c] + g.m[2][c] * g.m[2][c]);
  }
  cur_glob_rk = _mm_loadu_ps(rk);
}

void load_view_constants() {
  load_columns(VS_GLOB_TM, cur_glob_tm);
  load_columns(VS_VIEW_TM, cur_view_tm);
  set_vs_const(VS_CAMERA_POS, cur_view_itm.m[3], 1);
  const int w = scene_width(), h = scene_height();
  float screen[4] = {float(w), float(h), 1.f / float(w), 1.f / float(h)};
  set_vs_const(VS_SCREEN_SIZE, screen, 1);
}
