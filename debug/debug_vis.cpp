// Triangles and lines share the writer; switching between them draws the
// pending run and opens one of the other kind.
#include "debug/debug_vis.h"

#include <cstring>

#include "render/buffers.h"
#include "render/draw.h"
#include "render/draw_state.h"
#include "render/dyn_vb_writer.h"
#include "render/render_state.h"
#include "render/scene_render.h"
#include "render/scene_view.h"
#include "render/shaders.h"
#include "render/vertex_decl.h"

namespace {

struct DebugVertex {  // 16 bytes
  float x, y, z;
  D3dColor color;
};
static_assert(sizeof(DebugVertex) == 16, "debug vertices are 16 bytes");

const VDeclElem debug_layout[] = {
    {0, 0, VDECL_FLOAT3, VDECL_POSITION, 0},
    {12, 0, VDECL_COLOR, VDECL_COLOR_USAGE, 0},
    {0, VDECL_END_STREAM, VDECL_UNUSED, 0, 0},
};

VertexDecl* debug_decl = nullptr;
Shader* debug_shader = nullptr;

// The writer's user value is the primitive type of the open run.
void draw_run(int count, int prim) { draw_prim(prim, 0, count); }

void open_run(int prim) {
  if (common_vb_writer.startPtr && common_vb_writer.userValue == prim) return;
  common_vb_writer.flush(true);
  common_vb_writer.begin(draw_run, prim);
}

void write_vertices(int prim, const __m128* p, const D3dColor* c, int n) {
  open_run(prim);
  if (common_vb_writer.freeSpace() < n * int(sizeof(DebugVertex))) common_vb_writer.flush(false);
  for (int i = 0; i < n; i++) {
    float v[4];
    _mm_storeu_ps(v, p[i]);
    DebugVertex dv{v[0], v[1], v[2], c[i]};
    memcpy(common_vb_writer.writePtr, &dv, sizeof(dv));
    common_vb_writer.writePtr += sizeof(dv);
  }
  common_vb_writer.count++;
}

__m128 corner(const float lo[3], const float hi[3], int bits) {
  return _mm_setr_ps(bits & 1 ? hi[0] : lo[0], bits & 2 ? hi[1] : lo[1], bits & 4 ? hi[2] : lo[2], 1.f);
}

void box_bounds(__m128 a, __m128 b, float grow, float lo[3], float hi[3]) {
  float va[4], vb[4];
  _mm_storeu_ps(va, _mm_min_ps(a, b));
  _mm_storeu_ps(vb, _mm_max_ps(a, b));
  for (int i = 0; i < 3; i++) {
    lo[i] = va[i] - grow;
    hi[i] = vb[i] + grow;
  }
}

}  // namespace

void init_debug_vis() {
  debug_decl = get_vdecl(debug_layout);
  debug_shader = create_shader("debug_vis.sh", nullptr);
}

void close_debug_vis() {
  if (debug_shader) destroy_shader(debug_shader);
  debug_shader = nullptr;
}

void start_draw_debug_vis() {
  set_vdecl(debug_decl);
  set_vb(0, common_vb_writer.vb, 0, int(sizeof(DebugVertex)));
  set_shader(debug_shader);
  load_view_constants();
  // Into the caller's target, depth tested and written like the scene.
  DrawState s = draw_states::GEOMETRY;
  s.wireframe = use_wireframe;
  apply_draw_state(s);
  common_vb_writer.begin(draw_run, PRIM_TRILIST);
}

void end_draw_debug_vis() {
  common_vb_writer.flush(true);
}

void draw_debug_vis_tri(__m128 a, __m128 b, __m128 c, D3dColor ca, D3dColor cb, D3dColor cc) {
  const __m128 p[3] = {a, b, c};
  const D3dColor col[3] = {ca, cb, cc};
  write_vertices(PRIM_TRILIST, p, col, 3);
}

void draw_debug_vis_line(__m128 a, __m128 b, D3dColor ca, D3dColor cb) {
  const __m128 p[2] = {a, b};
  const D3dColor col[2] = {ca, cb};
  write_vertices(PRIM_LINELIST, p, col, 2);
}

void draw_debug_vis_solid_box(__m128 a, __m128 b, D3dColor color, float grow) {
  float lo[3], hi[3];
  box_bounds(a, b, grow, lo, hi);
  // Each face as corner bit masks, two triangles.
  static const int faces[6][4] = {{0, 2, 6, 4}, {1, 5, 7, 3}, {0, 4, 5, 1}, {2, 3, 7, 6}, {0, 1, 3, 2}, {4, 6, 7, 5}};
  for (const auto& f : faces) {
    draw_debug_vis_tri(corner(lo, hi, f[0]), corner(lo, hi, f[1]), corner(lo, hi, f[2]), color, color, color);
    draw_debug_vis_tri(corner(lo, hi, f[0]), corner(lo, hi, f[2]), corner(lo, hi, f[3]), color, color, color);
  }
}

void draw_debug_vis_cube(__m128 center, float size, D3dColor color) {
  draw_debug_vis_solid_box(center, center, color, size);
}

void draw_debug_vis_wire_box(__m128 a, __m128 b, D3dColor color) {
  float lo[3], hi[3];
  box_bounds(a, b, 0.f, lo, hi);
  for (int from = 0; from < 8; from++)
    for (int axis = 1; axis < 8; axis <<= 1)
      if (!(from & axis)) draw_debug_vis_line(corner(lo, hi, from), corner(lo, hi, from | axis), color, color);
}

void draw_debug_vis_cross_point(__m128 p, float size, D3dColor color) {
  for (int axis = 0; axis < 3; axis++) {
    float d[4] = {0.f, 0.f, 0.f, 0.f};
    d[axis] = size;
    __m128 off = _mm_loadu_ps(d);
    draw_debug_vis_line(_mm_sub_ps(p, off), _mm_add_ps(p, off), color, color);
  }
}
