#include "render/dist_font.h"
#include <cmath>
#include <cstdio>
#include <cstring>
#include "core/debug.h"
#include "render/desc_lines.h"
#include "render/device.h"
#include "render/render_state.h"
#include "render/shaders.h"
#include "render/textures.h"
#include "render/vertex_decl.h"

DistFont default_font;
DistFont title_font;

namespace {
struct DistFontVertex {
  float x, y;
  D3dColor color, outline;
  float u, v;
  uint32_t edge;
};
static_assert(sizeof(DistFontVertex) == DIST_FONT_VERTEX_SIZE, "distance-field text vertices are 28 bytes");

Shader* font_shader = nullptr;
VertexDecl* font_decl = nullptr;

float clamp01(float x) { return x > 0 ? (x < 1 ? x : 1) : 0; }  // NaN gives 0
uint32_t to_byte(float x) { return uint32_t(std::lround(clamp01(x) * 255.f)); }
bool finite_all(const float* v, int n) {
  for (int i = 0; i < n; i++)
    if (!std::isfinite(v[i])) return false;
  return true;
}
}  // namespace

uint32_t pack_edge_params(float edge, float outline_edge, float t, float shadow_u, float shadow_v) {
  float a = 0.5f * (1.f - 0.5f * (edge + 1.f) / t);
  float r = 0.5f * (1.f - 64.f * shadow_u);
  float g = 0.5f * (1.f - 64.f * shadow_v);
  float b = 0.5f * (1.f - 0.5f * (outline_edge + 1.f) / t);
  return to_byte(a) << 24 | to_byte(r) << 16 | to_byte(g) << 8 | to_byte(b);
}

void init_dist_fonts() {
  if (font_shader) return;
  static const VDeclElem decl[] = {{0, 0, VDECL_FLOAT2, VDECL_POSITION, 0},
                                   {8, 0, VDECL_COLOR, VDECL_COLOR_USAGE, 0},
                                   {12, 0, VDECL_COLOR, VDECL_COLOR_USAGE, 1},
                                   {16, 0, VDECL_FLOAT2, VDECL_TEXCOORD, 0},
                                   {24, 0, VDECL_COLOR, VDECL_TEXCOORD, 1},
                                   {0, VDECL_END_STREAM, 0, 0, 0}};
  font_shader = create_shader("distfont.sh", nullptr);
  font_decl = get_vdecl(decl);
}

void close_dist_fonts() {
  if (font_shader) destroy_shader(font_shader);
  font_shader = nullptr;
  font_decl = nullptr;
}

// Callers (the module's screens among them) bracket their text batches
// with these; every batch group applies its own state, so there is nothing
// left for them to set.
void start_dist_font_render() {}
void end_dist_font_render() {}

DistFont::~DistFont() { clear(); }

void DistFont::clear() {
  glyphs.clear();
  ranges.clear();
  kernings.clear();
  kerningGroups.clear();
  if (tex) free_texture(tex);
  tex = nullptr;
  delete state;
  state = nullptr;
  fontSize = spread = lineHeight = 0;
  invW = invH = 0;
}

bool DistFont::parse(const char* data, size_t size, char* atlas_name, int atlas_name_size) {
  DescLines lines(data, size);
  char line[DESC_LINE_SIZE], text[DESC_LINE_SIZE];
  int count = 0, w = 0, h = 0;
  bool ok = lines.next(line) && sscanf(line, "info face=\"%255[^\"]\" size=%d spread=%d", text, &fontSize, &spread) == 3 &&
            lines.next(line) && sscanf(line, "common lineHeight=%d base=0 scaleW=%d scaleH=%d", &lineHeight, &w, &h) == 3 &&
            lines.next(line) && sscanf(line, "page id=0 file=\"%255[^\"]\"", text) == 1 &&
            lines.next(line) && sscanf(line, "chars count=%d", &count) == 1;
  // A font needs a size and an atlas to divide by.
  if (!ok || fontSize <= 0 || spread < 0 || w <= 0 || h <= 0 || count < 0) return false;
  snprintf(atlas_name, size_t(atlas_name_size), "%s", text);
  invW = 1.f / float(w);
  invH = 1.f / float(h);
  for (int i = 0; i < count; i++) {
    int code;
    float f[7];
    if (!lines.next(line) ||
        sscanf(line, "char id=%d x=%f y=%f width=%f height=%f xoffset=%f yoffset=%f xadvance=%f", &code, &f[0], &f[1],
               &f[2], &f[3], &f[4], &f[5], &f[6]) != 8)
      return false;
    if (code < 0 || code > 255 || !finite_all(f, 7) || f[2] < 0 || f[3] < 0) return false;
    DistGlyph g = {f[0] * invW, f[1] * invH, f[2], f[3], f[4], f[5], f[6]};
    if (ranges.num > 0 && ranges.last().end == code) {
      ranges.last().end++;
    } else {
      DistGlyphRange r = {code, code + 1, glyphs.num};
      ranges.append(r);
    }
    glyphs.append(g);
  }
  if (!lines.next(line) || sscanf(line, "kernings count=%d", &count) != 1 || count < 0) return false;
  for (int i = 0; i < count; i++) {
    int first, second;
    float amount;
    if (!lines.next(line) || sscanf(line, "kerning first=%d second=%d amount=%f", &first, &second, &amount) != 3 ||
        !std::isfinite(amount))
      return false;
    if (kerningGroups.num > 0 && kerningGroups.last().first == first) {
      kerningGroups.last().count++;
    } else {
      DistKerningGroup g = {first, kernings.num, 1};
      kerningGroups.append(g);
    }
    DistKerning k = {second, amount};
    kernings.append(k);
  }
  return true;
}

bool DistFont::load(const char* name) {
  if (!load_described(*this, name)) return false;
  init_dist_fonts();
  state = new DistFontBatchState(font_shader, font_decl, DIST_FONT_VERTEX_SIZE, tex);
  return true;
}

int DistFont::findGlyph(int code) const {
  for (const DistGlyphRange& r : ranges)
    if (code >= r.first && code < r.end) return r.glyph + (code - r.first);
  return -1;
}

float DistFont::kerning(int prev, int code) const {
  if (prev < 0) return 0;
  for (const DistKerningGroup& g : kerningGroups)
    if (g.first == prev) {
      for (int i = g.pair; i < g.pair + g.count; i++)
        if (kernings[i].second == code) return kernings[i].amount;
      return 0;  // only the first group of a code is searched
    }
  return 0;
}

__m128 DistFont::calcTextBox(const char* text, int len, int* glyph_count) const {
  float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  int count = 0;
  forEachGlyph(text, len, [&](const DistGlyph& g, float pen, float line_y) {
    float gx0 = pen + g.xoffset, gy0 = line_y - g.yoffset;
    float gx1 = gx0 + g.width, gy1 = gy0 + g.height;
    if (count == 0) {
      x0 = gx0, y0 = gy0, x1 = gx1, y1 = gy1;
    } else {
      x0 = fminf(x0, gx0), y0 = fminf(y0, gy0), x1 = fmaxf(x1, gx1), y1 = fmaxf(y1, gy1);
    }
    count++;
  });
  if (glyph_count) *glyph_count = count;
  if (count == 0) return _mm_setzero_ps();
  float s = float(spread);
  return _mm_setr_ps(x0 + s, y0 + s, x1 - s, y1 - s);
}

void DistFont::renderText(RenderBatch& batch, __m128 box, int align, D3dColor color, float size, const char* text,
                          int len, float edge, float shadow_dx, float shadow_dy, float outline_edge,
                          D3dColor outline_color, BaseRenderBatchState* st) const {
  if (!text || fontSize <= 0) return;
  float s = size / float(fontSize), t = s * float(spread);
  uint32_t edge_params = pack_edge_params(edge, outline_edge, t, shadow_dx * float(fontSize) * 0.01f * invW,
                                          shadow_dy * float(fontSize) * 0.01f * invH);
  if (!st) st = state;
  int count = 0;
  alignas(16) float b[4], target[4];
  _mm_store_ps(b, _mm_mul_ps(calcTextBox(text, len, &count), _mm_set1_ps(s)));
  if (count == 0 || !st) return;
  _mm_store_ps(target, box);
  float ox = (align & 3) == DIST_ALIGN_LEFT    ? target[0] - b[0]
             : (align & 3) == DIST_ALIGN_RIGHT ? target[2] - b[2]
                                               : 0.5f * (target[0] - b[0] + target[2] - b[2]);
  float oy = (align & 12) == DIST_ALIGN_TOP      ? target[1] - b[1]
             : (align & 12) == DIST_ALIGN_BOTTOM ? target[3] - b[3]
                                                 : 0.5f * (target[1] - b[1] + target[3] - b[3]);
  BatchRect rect = {ox + b[0], oy + b[1], ox + b[2], oy + b[3]};
  DistFontVertex* v = (DistFontVertex*)batch.add(st, rect, count * 6 * DIST_FONT_VERTEX_SIZE, count * 2);
  forEachGlyph(text, len, [&](const DistGlyph& g, float pen, float line_y) {
    float x0 = ox + (pen + g.xoffset) * s, y0 = oy + (line_y - g.yoffset) * s;
    float x1 = x0 + g.width * s, y1 = y0 + g.height * s;
    float u0 = g.u, v0 = g.v, u1 = g.u + g.width * invW, v1 = g.v + g.height * invH;
    DistFontVertex a = {x0, y0, color, outline_color, u0, v0, edge_params};
    DistFontVertex bb = {x1, y0, color, outline_color, u1, v0, edge_params};
    DistFontVertex c = {x1, y1, color, outline_color, u1, v1, edge_params};
    DistFontVertex d = {x0, y1, color, outline_color, u0, v1, edge_params};
    v[0] = a, v[1] = bb, v[2] = c, v[3] = a, v[4] = c, v[5] = d;
    v += 6;
  });
}
