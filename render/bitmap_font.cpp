#include "render/bitmap_font.h"
#include <cstdio>
#include <cstring>
#include "core/debug.h"
#include "core/paths.h"
#include "data/shader_constants.h"
#include "render/device.h"
#include "render/render_batch.h"
#include "render/render_state.h"
#include "render/shaders.h"
#include "render/textures.h"
#include "render/tga_reader.h"
#include "render/vertex_decl.h"

namespace {
struct FontVertex {
  int16_t x, y;
  D3dColor color;
  int16_t u, v;  // texel coordinates
};
static_assert(sizeof(FontVertex) == 12, "bitmap font vertices are 12 bytes");

constexpr int MAX_TEXT_STATES = 16;
// Glyphs per batch item: an item must fit the shared vertex buffer.
constexpr int GLYPHS_PER_ITEM = 128;
constexpr int VERTS_PER_GLYPH = 12;  // shadow and glyph, two triangles each
// A texel of the solid code-0 cell that rectangles sample.
constexpr int SOLID_TEXEL = 1;

// Screen size and texel size for the vertex program.
class FontBatchState : public StdRenderBatchState {
public:
  void begin(BaseRenderBatchState* prev) override {
    float c[8] = {2.f / float(d3d_wd), -2.f / float(d3d_ht), -1.f, 1.f, inv_w, inv_h, 0.f, 0.f};
    static_assert(VS_FONT_TEXEL == VS_PIXEL_TO_CLIP + 1, "one upload sets both");
    set_vs_const(VS_PIXEL_TO_CLIP, c, 2);
    set_blend_alpha();
    set_zenable(false);
    set_zwrite(false);
    set_cull_mode(0);
    StdRenderBatchState::begin(prev);
    set_texture_filter(0, false);
    set_texture_address(0, 1, -1, -1);
  }
  float inv_w = 1.f, inv_h = 1.f;
};

BitmapFontLayout layout;
bool loaded = false;
int text_scale = 1;  // from the screen height
FontBatchState font_state;
RenderBatch* font_batch = nullptr;
int state_stack[MAX_TEXT_STATES];
int state_depth = 0;
int cur_scale = 1;

int16_t clamp16(int v) { return int16_t(v < -32768 ? -32768 : v > 32767 ? 32767 : v); }

void put_quad(FontVertex* v, int x0, int y0, int x1, int y1, int u0, int v0, int u1, int v1, D3dColor c) {
  FontVertex a = {clamp16(x0), clamp16(y0), c, int16_t(u0), int16_t(v0)};
  FontVertex b = {clamp16(x1), clamp16(y0), c, int16_t(u1), int16_t(v0)};
  FontVertex d = {clamp16(x1), clamp16(y1), c, int16_t(u1), int16_t(v1)};
  FontVertex e = {clamp16(x0), clamp16(y1), c, int16_t(u0), int16_t(v1)};
  v[0] = a;
  v[1] = b;
  v[2] = d;
  v[3] = a;
  v[4] = d;
  v[5] = e;
}

int glyph_advance(int code, int scale) {
  const FontGlyph& g = layout.glyphs[code];
  return (g.right - g.left) * scale + scale;  // one font pixel of spacing
}

int line_width(const char* s, int n, int scale) {
  int w = 0;
  for (int i = 0; i < n; i++) w += glyph_advance((unsigned char)s[i], scale);
  return w > 0 ? w - scale : 0;
}

// Writes one line, in chunks that fit the shared vertex buffer: all shadows
// of a chunk first, so no shadow lies over a neighbouring glyph.
void emit_line(RenderBatch& batch, const char* s, int n, int x, int y, int scale, D3dColor color) {
  D3dColor shadow = ((color >> 25) << 24);  // black, half the alpha
  int h = layout.cellH * scale;
  while (n > 0) {
    int chunk = n < GLYPHS_PER_ITEM ? n : GLYPHS_PER_ITEM;
    int inked = 0;
    for (int i = 0; i < chunk; i++) inked += layout.ink[(unsigned char)s[i]];
    int w = line_width(s, chunk, scale);
    if (inked > 0) {
      BatchRect r = {float(x), float(y - 1), float(x + w + 1), float(y + h)};
      FontVertex* v = (FontVertex*)batch.add(&font_state, r, inked * VERTS_PER_GLYPH * int(sizeof(FontVertex)),
                                             inked * 4);
      FontVertex* glyph_v = v + inked * 6;
      int pen = x;
      for (int i = 0; i < chunk; i++) {
        int code = (unsigned char)s[i];
        const FontGlyph& g = layout.glyphs[code];
        if (layout.ink[code]) {
          int x1 = pen + (g.right - g.left) * scale;
          put_quad(v, pen + 1, y - 1, x1 + 1, y - 1 + h, g.left, g.top, g.right, g.bottom, shadow);
          put_quad(glyph_v, pen, y, x1, y + h, g.left, g.top, g.right, g.bottom, color);
          v += 6;
          glyph_v += 6;
        }
        pen += glyph_advance(code, scale);
      }
    }
    x += w + scale;
    s += chunk;
    n -= chunk;
  }
}
}  // namespace

bool cut_bitmap_font(const TgaImage& img, BitmapFontLayout* out, char* error, int error_size) {
  if (img.width % 16 != 0 || img.height % 16 != 0 || img.width <= 0 || img.height <= 0) {
    snprintf(error, size_t(error_size), "expected 16x16 font grid in font.tga, got %dx%d image", img.width,
             img.height);
    return false;
  }
  int cw = img.width / 16, ch = img.height / 16;
  out->cellW = cw;
  out->cellH = ch;
  for (int i = 0; i < 256; i++) {
    int cx = (i % 16) * cw, top = (i / 16) * ch;
    int file_row0 = (15 - i / 16) * ch;  // the file's rows start at the bottom
    int left = -1, right = -1;
    for (int x = 0; x < cw; x++) {
      bool any = false;
      for (int y = 0; y < ch && !any; y++) any = img.pixels[((file_row0 + y) * img.width + cx + x) * 4 + 3] != 0;
      if (any) {
        if (left < 0) left = x;
        right = x;
      }
    }
    out->ink[i] = left >= 0;
    if (left < 0) {
      left = 0;
      right = cw / 2;  // a blank is half a cell plus one pixel wide
    }
    out->glyphs[i] = {int16_t(cx + left), int16_t(top), int16_t(cx + right + 1), int16_t(top + ch)};
  }
  return true;
}

void init_bitmap_font() {
  TgaImage img;
  if (!load_tga(make_full_path("font.tga"), &img)) fatal("can't load font.tga");
  char error[128];
  if (!cut_bitmap_font(img, &layout, error, sizeof(error))) fatal("%s", error);
  Texture* tex = create_managed_texture(img.width, img.height);
  int pitch = 0;
  uint8_t* dst = tex ? lock_texture(tex, &pitch, true) : nullptr;
  if (!dst) fatal("can't create font texture");
  for (int y = 0; y < img.height; y++)
    memcpy(dst + y * pitch, img.pixels.data + size_t(img.height - 1 - y) * img.width * 4, size_t(img.width) * 4);
  // Rectangles sample code 0's cell, which no text prints: make sure its
  // first texels are solid white whatever the image holds there.
  for (int y = 0; y <= SOLID_TEXEL; y++) memset(dst + y * pitch, 0xFF, size_t(SOLID_TEXEL + 1) * 4);
  unlock_texture(tex);
  static const VDeclElem decl[] = {{0, 0, VDECL_SHORT2, VDECL_POSITION, 0},
                                   {4, 0, VDECL_COLOR, VDECL_COLOR_USAGE, 0},
                                   {8, 0, VDECL_SHORT2, VDECL_TEXCOORD, 0},
                                   {0, VDECL_END_STREAM, 0, 0, 0}};
  font_state.reset();
  font_state.shader = create_shader("font.sh", nullptr);
  font_state.vdecl = get_vdecl(decl);
  font_state.stride = sizeof(FontVertex);
  font_state.tex = tex;
  font_state.inv_w = 1.f / float(img.width);
  font_state.inv_h = 1.f / float(img.height);
  if (!font_batch) font_batch = new RenderBatch(64 * 1024);
  loaded = true;
  update_font_scale();
}

void close_bitmap_font() {
  if (!loaded) return;
  destroy_shader(font_state.shader);
  release_texture(font_state.tex);
  font_state.reset();
  delete font_batch;
  font_batch = nullptr;
  loaded = false;
}

bool bitmap_font_loaded() { return loaded; }

void update_font_scale() {
  if (!loaded) return;
  text_scale = d3d_ht / (layout.cellH * 30);
  if (text_scale < 1) text_scale = 1;
  debug("font scale: %d", text_scale);
  if (state_depth == 0) cur_scale = text_scale;
}

int bitmap_font_cell_width() { return layout.cellW; }
int bitmap_font_cell_height() { return layout.cellH; }
const BitmapFontLayout& bitmap_font_layout() { return layout; }

void push_text_state() {
  ASSERT(state_depth < MAX_TEXT_STATES);
  state_stack[state_depth++] = cur_scale;
}

void pop_text_state() {
  ASSERT(state_depth > 0);
  cur_scale = state_stack[--state_depth];
}

void set_text_scale(int scale) { cur_scale = scale < 1 ? 1 : scale; }
int get_text_scale() { return cur_scale; }

void calc_text_size(const char* text, int len, int& width, int& height) {
  width = height = 0;
  if (!text) return;
  if (len < 0) len = int(strlen(text));
  int lines = 1;
  for (int start = 0, i = 0; i <= len; i++)
    if (i == len || text[i] == '\n') {
      int w = line_width(text + start, i - start, cur_scale);
      if (w > width) width = w;
      if (i < len) lines++;
      start = i + 1;
    }
  height = len > 0 ? lines * layout.cellH * cur_scale : 0;
}

void batch_text(RenderBatch& batch, const char* text, int len, int x, int y, int align_x, int align_y,
                D3dColor color) {
  if (!loaded || !text) return;
  if (len < 0) len = int(strlen(text));
  int w, h;
  calc_text_size(text, len, w, h);
  int top = align_y == TEXT_BOTTOM ? y - h : align_y == TEXT_MIDDLE ? y - h / 2 : y;
  int line_h = layout.cellH * cur_scale;
  for (int start = 0, i = 0; i <= len; i++)
    if (i == len || text[i] == '\n') {
      // Lines wholly above or below the screen (most of a long visual log)
      // are left out.
      if (top + line_h > -1 && top - 1 < d3d_ht) {
        int lw = line_width(text + start, i - start, cur_scale);
        int left = align_x == TEXT_RIGHT ? x - lw : align_x == TEXT_CENTER ? x - lw / 2 : x;
        emit_line(batch, text + start, i - start, left, top, cur_scale, color);
      }
      top += line_h;
      start = i + 1;
    }
}

void batch_rect(RenderBatch& batch, int x0, int y0, int x1, int y1, D3dColor color) {
  if (!loaded || x1 <= x0 || y1 <= y0) return;
  BatchRect r = {float(x0), float(y0), float(x1), float(y1)};
  FontVertex* v = (FontVertex*)batch.add(&font_state, r, 6 * int(sizeof(FontVertex)), 2);
  put_quad(v, x0, y0, x1, y1, SOLID_TEXEL, SOLID_TEXEL, SOLID_TEXEL, SOLID_TEXEL, color);
}

BaseRenderBatchState* get_font_batch_state() { return &font_state; }

void start_draw_text() {
  if (font_batch) font_batch->clear();
}

void draw_text(const char* text, int len, int x, int y, int align_x, int align_y, D3dColor color) {
  if (font_batch) batch_text(*font_batch, text, len, x, y, align_x, align_y, color);
}

void draw_rect(int x0, int y0, int x1, int y1, D3dColor color) {
  if (font_batch) batch_rect(*font_batch, x0, y0, x1, y1, color);
}

void draw_box(int x0, int y0, int x1, int y1, D3dColor color) {
  draw_rect(x0, y0, x1, y0 + 1, color);
  draw_rect(x0, y1 - 1, x1, y1, color);
  draw_rect(x0, y0 + 1, x0 + 1, y1 - 1, color);
  draw_rect(x1 - 1, y0 + 1, x1, y1 - 1, color);
}

void end_draw_text() {
  if (!font_batch) return;
  font_batch->render();
  font_batch->clear();
}
