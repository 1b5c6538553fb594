#include "gui/rounded_box.h"
#include <algorithm>
#include <cmath>
#include "gui/gui_render_state.h"
#include "render/shaders.h"
#include "render/vertex_decl.h"

namespace {
struct RoundedBoxVertex {
  float x, y;
  float lx, ly, hw, hh;  // position in the box's frame (centre origin), half sizes
  float gradTop, gradBottom;
  float radii[4];
  float softness, borderWidth, shadow, unused;
  D3dColor fill, border;
};
static_assert(sizeof(RoundedBoxVertex) == 72, "rounded box vertices are 72 bytes");

const VDeclElem ROUNDED_BOX_LAYOUT[] = {{0, 0, VDECL_FLOAT2, VDECL_POSITION, 0},
                                        {8, 0, VDECL_FLOAT4, VDECL_TEXCOORD, 0},
                                        {24, 0, VDECL_FLOAT2, VDECL_TEXCOORD, 1},
                                        {32, 0, VDECL_FLOAT4, VDECL_TEXCOORD, 2},
                                        {48, 0, VDECL_FLOAT4, VDECL_TEXCOORD, 3},
                                        {64, 0, VDECL_COLOR, VDECL_COLOR_USAGE, 0},
                                        {68, 0, VDECL_COLOR, VDECL_COLOR_USAGE, 1},
                                        {0, VDECL_END_STREAM, 0, 0, 0}};

GuiBatchState box_state;

bool finite(float v) { return std::isfinite(v); }

// One box with its centre at (cx, cy), its local x axis along (ux, uy) (a
// unit vector; local y points to its left-hand normal, down the screen for
// an unturned box), half sizes hw, hh. The quad reaches `margin` beyond the
// box for the soft edge and the shadow.
void emit_box(RenderBatch& batch, float cx, float cy, float ux, float uy, float hw, float hh, float margin,
              const RoundedBoxVertex& shape) {
  float ex = hw + margin, ey = hh + margin;
  const float corners[4][2] = {{-ex, -ey}, {ex, -ey}, {ex, ey}, {-ex, ey}};
  RoundedBoxVertex quad[4];
  BatchRect r = {1e30f, 1e30f, -1e30f, -1e30f};
  for (int i = 0; i < 4; i++) {
    quad[i] = shape;
    quad[i].lx = corners[i][0];
    quad[i].ly = corners[i][1];
    quad[i].x = cx + ux * quad[i].lx - uy * quad[i].ly;
    quad[i].y = cy + uy * quad[i].lx + ux * quad[i].ly;
    r.x0 = std::min(r.x0, quad[i].x);
    r.y0 = std::min(r.y0, quad[i].y);
    r.x1 = std::max(r.x1, quad[i].x);
    r.y1 = std::max(r.y1, quad[i].y);
  }
  auto* v = static_cast<RoundedBoxVertex*>(batch.add(&box_state, r, 6 * int(sizeof(RoundedBoxVertex)), 2));
  v[0] = quad[0];
  v[1] = quad[1];
  v[2] = quad[2];
  v[3] = quad[0];
  v[4] = quad[2];
  v[5] = quad[3];
}
}  // namespace

void init_rounded_box_render() {
  if (box_state.shader) return;
  box_state.shader = create_shader("roundedBox.sh", nullptr);
  box_state.vdecl = get_vdecl(ROUNDED_BOX_LAYOUT);
  box_state.stride = int(sizeof(RoundedBoxVertex));
}

void close_rounded_box_render() {
  if (box_state.shader) destroy_shader(box_state.shader);
  box_state.reset();
}

void render_rounded_box(RenderBatch& batch, __m128 rect, __m128 radii, D3dColor fill, float softness, float shadow,
                        float gradient_top, float gradient_bottom, D3dColor border, float border_width) {
  alignas(16) float r[4], rad[4];
  _mm_store_ps(r, rect);
  _mm_store_ps(rad, radii);
  for (float v : {r[0], r[1], r[2], r[3], softness, shadow, gradient_top, gradient_bottom, border_width})
    if (!finite(v)) return;  // nothing sensible to draw
  float hw = 0.5f * (r[2] - r[0]), hh = 0.5f * (r[3] - r[1]);
  if (!(hw > 0 && hh > 0)) return;
  RoundedBoxVertex shape = {};
  shape.hw = hw;
  shape.hh = hh;
  shape.gradTop = gradient_top;
  shape.gradBottom = gradient_bottom;
  for (int i = 0; i < 4; i++) shape.radii[i] = finite(rad[i]) ? std::clamp(rad[i], 0.f, std::min(hw, hh)) : 0.f;
  shape.softness = std::max(softness, 0.01f);
  shape.borderWidth = std::max(border_width, 0.f);
  shape.shadow = std::max(shadow, 0.f);
  shape.fill = fill;
  shape.border = border;
  float margin = shape.softness + 2.f * shape.shadow;
  emit_box(batch, r[0] + hw, r[1] + hh, 1, 0, hw, hh, margin, shape);
}

void render_ui_line(RenderBatch& batch, __m128 line, float width, D3dColor color) {
  alignas(16) float p[4];
  _mm_store_ps(p, line);
  float dx = p[2] - p[0], dy = p[3] - p[1];
  float len = std::sqrt(dx * dx + dy * dy);
  if (!finite(len) || !finite(width) || !(width > 0)) return;
  float ux = 1, uy = 0;
  if (len > 0) ux = dx / len, uy = dy / len;
  float hh = 0.5f * width;
  RoundedBoxVertex shape = {};
  shape.hw = 0.5f * len + hh;  // round ends reach half the width past each end
  shape.hh = hh;
  shape.gradTop = shape.gradBottom = 1;
  for (float& rad : shape.radii) rad = hh;
  shape.softness = 1;
  shape.fill = color;
  emit_box(batch, 0.5f * (p[0] + p[2]), 0.5f * (p[1] + p[3]), ux, uy, shape.hw, hh, 1, shape);
}
