#pragma once
// Distance-field fonts and icon atlases: one atlas serves every size, with
// soft edges, outlines and shadows from per-vertex thresholds. Drawn
// through a RenderBatch with "distfont.sh" and "disticon.sh".
#include <xmmintrin.h>
#include <cstdint>
#include <cstring>
#include "core/dyn_array.h"
#include "render/render_batch.h"
#include "render/render_types.h"

struct Texture;

// The batch state of distance-field text or icons: screen constants,
// premultiplied blending and a filtered atlas.
class DistFontBatchState : public ScreenBatchState {
public:
  DistFontBatchState() = default;
  DistFontBatchState(Shader* s, VertexDecl* decl, int vertex_size, Texture* atlas) {
    shader = s;
    vdecl = decl;
    stride = vertex_size;
    tex = atlas;
  }
};

// renderText alignment: bits 0-1 horizontal, bits 2-3 vertical; 0 centres.
enum DistTextAlign {
  DIST_ALIGN_LEFT = 1,
  DIST_ALIGN_RIGHT = 2,
  DIST_ALIGN_TOP = 4,
  DIST_ALIGN_BOTTOM = 8,
};

struct DistGlyph {
  float u, v;  // normalised atlas position
  float width, height, xoffset, yoffset, xadvance;  // atlas pixels
};
struct DistGlyphRange {
  int first, end, glyph;  // codes first..end-1 are glyphs glyph...
};
struct DistKerning {
  int second;
  float amount;
};
struct DistKerningGroup {
  int first, pair, count;  // pairs pair..pair+count-1 of the first code
};

constexpr int DIST_FONT_VERTEX_SIZE = 28;
constexpr int DIST_ICON_VERTEX_SIZE = 40;

// Edge parameters of a vertex packed as 0xAARRGGBB: glyph threshold (A),
// shadow offset (R, G), outline threshold (B). t is the spread in screen
// pixels, shadow_u/v the shadow offset as fractions of the atlas.
uint32_t pack_edge_params(float edge, float outline_edge, float t, float shadow_u, float shadow_v);

class DistFont {
public:
  int fontSize = 0, spread = 0, lineHeight = 0;
  float invW = 0, invH = 0;
  Texture* tex = nullptr;
  DistFontBatchState* state = nullptr;
  DynArray<DistGlyph> glyphs;
  DynArray<DistGlyphRange> ranges;
  DynArray<DistKerning> kernings;
  DynArray<DistKerningGroup> kerningGroups;

  DistFont() = default;
  ~DistFont();
  DistFont(const DistFont&) = delete;
  DistFont& operator=(const DistFont&) = delete;

  // The description beside the executable, then its atlas; false when a
  // line is missing or malformed or the atlas can't be loaded.
  bool load(const char* name);
  // The description alone (atlas_name receives the atlas file name).
  bool parse(const char* data, size_t size, char* atlas_name, int atlas_name_size);
  void clear();

  int findGlyph(int code) const;  // -1 when the font has none
  float kerning(int prev, int code) const;
  // Box (x0, y0, x1, y1) of the visible text in font units; zeros when no
  // glyph has a width. len < 0 means the whole text.
  __m128 calcTextBox(const char* text, int len, int* glyph_count) const;
  void renderText(RenderBatch& batch, __m128 box, int align, D3dColor color, float size, const char* text, int len,
                  float edge, float shadow_dx, float shadow_dy, float outline_edge, D3dColor outline_color,
                  BaseRenderBatchState* state = nullptr) const;

private:
  // Calls fn(glyph, pen x with kerning, line y) in font units for every
  // glyph with a width. A line feed returns the pen and forgets the
  // previous code; a code without a glyph draws nothing but becomes the
  // previous code.
  template <class Fn>
  void forEachGlyph(const char* text, int len, Fn fn) const {
    if (len < 0) len = text ? int(strlen(text)) : 0;
    float pen = 0, line_y = 0;
    int prev = -1;
    for (int i = 0; i < len; i++) {
      int code = (unsigned char)text[i];
      if (code == '\n') {
        pen = 0;
        line_y += float(lineHeight);
        prev = -1;
        continue;
      }
      int gi = findGlyph(code);
      if (gi >= 0) {
        const DistGlyph& g = glyphs[gi];
        float k = kerning(prev, code);
        if (g.width != 0) fn(g, pen + k, line_y);
        pen += k + g.xadvance;
      }
      prev = code;
    }
  }
};

struct DistIcon {
  char* name;  // own copy
  float u, v, width, height, xoffset, yoffset, orgW, orgH;
};

class DistIcons {
public:
  float invW = 0, invH = 0;
  int spread = 0;
  Texture* tex = nullptr;
  DistFontBatchState* state = nullptr;
  DynArray<DistIcon> icons;

  DistIcons() = default;
  ~DistIcons();
  DistIcons(const DistIcons&) = delete;
  DistIcons& operator=(const DistIcons&) = delete;

  bool load(const char* name);
  bool parse(const char* data, size_t size, char* atlas_name, int atlas_name_size);
  void clear();
  int getIconId(const char* name) const;
  float getOrgW(int icon) const;
  float getOrgH(int icon) const;
  // pos_rot: position (x, y) and the rotation as (cos, sin). Colour 1 is
  // the outline and shadow; colours 2 to 5 the layers in the atlas's red,
  // green, blue and alpha channels.
  void renderIcon(RenderBatch& batch, __m128 pos_rot, float size, int icon, float edge, float shadow_dx,
                  float shadow_dy, float outline_edge, D3dColor c1, D3dColor c2, D3dColor c3, D3dColor c4,
                  D3dColor c5, BaseRenderBatchState* state = nullptr) const;
};

// The shaders and vertex layouts of the two batch states.
void init_dist_fonts();
void init_dist_icons();
void close_dist_fonts();
void close_dist_icons();
// Bracket the drawing of distance-field batches.
void start_dist_font_render();
void end_dist_font_render();

// The game's fonts and icons, loaded at start-up (load_ui_fonts) and used
// by the module's screens.
extern DistFont default_font;
extern DistFont title_font;
extern DistIcons ui_icons;
// Loads the three; a missing or broken one is fatal.
void load_ui_fonts();
void release_ui_fonts();
