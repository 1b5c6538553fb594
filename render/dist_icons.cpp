#include <cmath>
#include <cstdio>
#include <cstring>
#include "core/allocator.h"
#include "core/debug.h"
#include "render/desc_lines.h"
#include "render/dist_font.h"
#include "render/shaders.h"
#include "render/textures.h"
#include "render/vertex_decl.h"

DistIcons ui_icons;

namespace {
struct DistIconVertex {
  float x, y;
  D3dColor c1;
  uint32_t edge;
  float u, v;
  D3dColor c2, c3, c4, c5;
};
static_assert(sizeof(DistIconVertex) == DIST_ICON_VERTEX_SIZE, "icon vertices are 40 bytes");

Shader* icon_shader = nullptr;
VertexDecl* icon_decl = nullptr;
}  // namespace

void init_dist_icons() {
  if (icon_shader) return;
  static const VDeclElem decl[] = {{0, 0, VDECL_FLOAT2, VDECL_POSITION, 0},
                                   {8, 0, VDECL_COLOR, VDECL_COLOR_USAGE, 0},
                                   {12, 0, VDECL_COLOR, VDECL_TEXCOORD, 1},
                                   {16, 0, VDECL_FLOAT2, VDECL_TEXCOORD, 0},
                                   {24, 0, VDECL_COLOR, VDECL_COLOR_USAGE, 1},
                                   {28, 0, VDECL_COLOR, VDECL_TEXCOORD, 2},
                                   {32, 0, VDECL_COLOR, VDECL_TEXCOORD, 3},
                                   {36, 0, VDECL_COLOR, VDECL_TEXCOORD, 4},
                                   {0, VDECL_END_STREAM, 0, 0, 0}};
  icon_shader = create_shader("disticon.sh", nullptr);
  icon_decl = get_vdecl(decl);
}

void close_dist_icons() {
  if (icon_shader) destroy_shader(icon_shader);
  icon_shader = nullptr;
  icon_decl = nullptr;
}

DistIcons::~DistIcons() { clear(); }

void DistIcons::clear() {
  for (DistIcon& icon : icons) dlfree(icon.name);
  icons.clear();
  if (tex) free_texture(tex);
  tex = nullptr;
  delete state;
  state = nullptr;
  invW = invH = 0;
  spread = 0;
}

bool DistIcons::parse(const char* data, size_t size, char* atlas_name, int atlas_name_size) {
  DescLines lines(data, size);
  char line[DESC_LINE_SIZE], text[DESC_LINE_SIZE];
  int w = 0, h = 0, count = 0;
  if (!lines.next(line) ||
      sscanf(line, "info file=\"%255[^\"]\" scaleW=%d scaleH=%d spread=%d", text, &w, &h, &spread) != 4 ||
      !lines.next(line) || sscanf(line, "icons count=%d", &count) != 1)
    return false;
  if (w <= 0 || h <= 0 || spread < 0 || count < 0) return false;
  snprintf(atlas_name, size_t(atlas_name_size), "%s", text);
  invW = 1.f / float(w);
  invH = 1.f / float(h);
  for (int i = 0; i < count; i++) {
    float f[8];
    if (!lines.next(line) ||
        sscanf(line, "icon \"%255[^\"]\" %f %f %f %f %f %f %f %f", text, &f[0], &f[1], &f[2], &f[3], &f[4], &f[5],
               &f[6], &f[7]) != 9)
      return false;
    for (float x : f)
      if (!std::isfinite(x)) return false;
    size_t n = strlen(text) + 1;
    DistIcon icon = {(char*)dlmalloc(n), f[2] * invW, f[3] * invH, f[4], f[5], f[6], f[7], f[0], f[1]};
    ASSERT(icon.name);
    memcpy(icon.name, text, n);
    icons.append(icon);
  }
  return true;
}

bool DistIcons::load(const char* name) {
  if (!load_described(*this, name)) return false;
  init_dist_icons();
  state = new DistFontBatchState(icon_shader, icon_decl, DIST_ICON_VERTEX_SIZE, tex);
  return true;
}

int DistIcons::getIconId(const char* name) const {
  if (!name) return -1;
  for (int i = 0; i < icons.num; i++)
    if (strcmp(icons[i].name, name) == 0) return i;
  return -1;
}

float DistIcons::getOrgW(int icon) const { return icon >= 0 && icon < icons.num ? icons[icon].orgW : 0; }
float DistIcons::getOrgH(int icon) const { return icon >= 0 && icon < icons.num ? icons[icon].orgH : 0; }

void DistIcons::renderIcon(RenderBatch& batch, __m128 pos_rot, float size, int icon, float edge, float shadow_dx,
                           float shadow_dy, float outline_edge, D3dColor c1, D3dColor c2, D3dColor c3, D3dColor c4,
                           D3dColor c5, BaseRenderBatchState* st) const {
  if (icon < 0 || icon >= icons.num) return;
  if (!st) st = state;
  if (!st) return;
  const DistIcon& ic = icons[icon];
  uint32_t edge_params = pack_edge_params(edge, outline_edge, float(spread) * size, shadow_dx * invW, shadow_dy * invH);
  alignas(16) float pr[4];
  _mm_store_ps(pr, pos_rot);
  float cs = pr[2], sn = pr[3];
  float px0 = size * ic.xoffset, px1 = size * (ic.xoffset + ic.width);
  float py0 = -size * ic.yoffset, py1 = py0 + size * ic.height;
  float cx[4] = {px0, px1, px1, px0}, cy[4] = {py0, py0, py1, py1};
  float sx[4], sy[4];
  BatchRect rect = {1e30f, 1e30f, -1e30f, -1e30f};
  for (int i = 0; i < 4; i++) {
    sx[i] = pr[0] + cs * cx[i] - sn * cy[i];
    sy[i] = pr[1] + sn * cx[i] + cs * cy[i];
    rect.x0 = fminf(rect.x0, sx[i]), rect.y0 = fminf(rect.y0, sy[i]);
    rect.x1 = fmaxf(rect.x1, sx[i]), rect.y1 = fmaxf(rect.y1, sy[i]);
  }
  float u[4] = {ic.u, ic.u + ic.width * invW, ic.u + ic.width * invW, ic.u};
  float v[4] = {ic.v, ic.v, ic.v + ic.height * invH, ic.v + ic.height * invH};
  DistIconVertex* out = (DistIconVertex*)batch.add(st, rect, 6 * DIST_ICON_VERTEX_SIZE, 2);
  static const int corner[6] = {0, 1, 2, 0, 2, 3};
  for (int i = 0; i < 6; i++) {
    int k = corner[i];
    out[i] = DistIconVertex{sx[k], sy[k], c1, edge_params, u[k], v[k], c2, c3, c4, c5};
  }
}
