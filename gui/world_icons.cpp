#include "gui/world_icons.h"
#include <cmath>
#include "gui/gui_behavior.h"
#include "gui/gui_render_state.h"
#include "gui/uni_viewer.h"
#include "render/shaders.h"
#include "render/vertex_decl.h"

namespace {
const VDeclElem WORLD_ICON_LAYOUT[] = {{0, 0, VDECL_FLOAT2, VDECL_POSITION, 0},
                                       {8, 0, VDECL_FLOAT2, VDECL_TEXCOORD, 0},
                                       {16, 0, VDECL_COLOR, VDECL_COLOR_USAGE, 1},
                                       {20, 0, VDECL_COLOR, VDECL_COLOR_USAGE, 0},
                                       {24, 0, VDECL_COLOR, VDECL_TEXCOORD, 1},
                                       {0, VDECL_END_STREAM, 0, 0, 0}};

GuiBatchState icon_state;
}  // namespace

void init_universe_ui() {
  register_behavior(&uni_viewer_behavior, "uni_viewer");
  if (icon_state.shader) return;
  icon_state.shader = create_shader("worldIcon.sh", nullptr);
  icon_state.vdecl = get_vdecl(WORLD_ICON_LAYOUT);
  icon_state.stride = int(sizeof(WorldIconVertex));
}

void close_universe_ui() {
  if (icon_state.shader) destroy_shader(icon_state.shader);
  icon_state.reset();
}

void render_world_icon(RenderBatch& batch, float x, float y, float size, D3dColor first, D3dColor second,
                       D3dColor third) {
  if (!(size > 0) || !std::isfinite(size) || !std::isfinite(x) || !std::isfinite(y)) return;
  float h = size + 1 + (third ? 0.5f * size : 0.f);
  float uv = h / size;
  // The edge width travels in the first colour's alpha; icons under three
  // pixels would overflow the byte.
  long edge = std::lround(765.f / size);
  D3dColor firstWithEdge = (first & 0x00FFFFFF) | (D3dColor(edge > 255 ? 255 : edge) << 24);
  WorldIconVertex corners[4] = {{x - h, y - h, -uv, -uv, second, firstWithEdge, third},
                                {x + h, y - h, uv, -uv, second, firstWithEdge, third},
                                {x + h, y + h, uv, uv, second, firstWithEdge, third},
                                {x - h, y + h, -uv, uv, second, firstWithEdge, third}};
  BatchRect r = {x - h, y - h, x + h, y + h};
  auto* v = static_cast<WorldIconVertex*>(batch.add(&icon_state, r, 6 * int(sizeof(WorldIconVertex)), 2));
  v[0] = corners[0];
  v[1] = corners[1];
  v[2] = corners[2];
  v[3] = corners[0];
  v[4] = corners[2];
  v[5] = corners[3];
}
