#include "tools/font_atlas/sdf_font_atlas.h"
#include <cmath>
#include <cstdio>
#include <vector>
#include "tools/asset_common/dds_writer.h"
#include "tools/font_atlas/shelf_packer.h"

namespace {
constexpr int ATLAS_WIDTH = 1024;

struct Glyph {
  int code;
  int w = 0, h = 0, xoff = 0, yoff = 0;
  float advance = 0;
  std::vector<unsigned char> field;
};

// Printable ASCII and the printable upper half of Latin-1.
bool has_glyph(int code) { return (code >= 32 && code < 127) || (code >= 160 && code < 256); }
}  // namespace

bool write_sdf_font(const TrueTypeFile& face, const char* face_name, const SdfFontParams& params,
                    const std::string& out_dir) {
  const stbtt_fontinfo* f = &face.info;
  float scale = stbtt_ScaleForPixelHeight(f, float(params.size));
  int ascent, descent, gap;
  stbtt_GetFontVMetrics(f, &ascent, &descent, &gap);
  float ascent_px = float(ascent) * scale;
  int line_height = int(std::lround(float(ascent - descent + gap) * scale));

  std::vector<Glyph> glyphs;
  std::vector<PackRect> rects;
  for (int code = 0; code < 256; code++) {
    if (!has_glyph(code)) continue;
    Glyph g;
    g.code = code;
    int adv, lsb;
    stbtt_GetCodepointHMetrics(f, code, &adv, &lsb);
    g.advance = float(adv) * scale;
    // The field reaches 0 and 255 at `spread` pixels outside and inside.
    unsigned char* sdf = stbtt_GetCodepointSDF(f, scale, code, params.spread, 128, 128.f / float(params.spread), &g.w,
                                               &g.h, &g.xoff, &g.yoff);
    if (sdf) {
      g.field.assign(sdf, sdf + size_t(g.w) * g.h);
      stbtt_FreeSDF(sdf, nullptr);
    } else {
      g.w = g.h = 0;  // a blank: it only advances
    }
    glyphs.push_back(std::move(g));
    PackRect r;
    r.w = glyphs.back().w;
    r.h = glyphs.back().h;
    rects.push_back(r);
  }
  int atlas_h = pack_shelves(rects, ATLAS_WIDTH, 2);
  if (atlas_h == 0) {
    fprintf(stderr, "%s: glyphs don't fit the atlas\n", params.atlasName);
    return false;
  }
  std::vector<uint8_t> atlas(size_t(ATLAS_WIDTH) * atlas_h, 0);
  for (size_t i = 0; i < glyphs.size(); i++)
    for (int y = 0; y < glyphs[i].h; y++)
      for (int x = 0; x < glyphs[i].w; x++)
        atlas[size_t(rects[i].y + y) * ATLAS_WIDTH + rects[i].x + x] = glyphs[i].field[size_t(y) * glyphs[i].w + x];

  std::string desc;
  char line[256];
  snprintf(line, sizeof(line), "info face=\"%s\" size=%d spread=%d\n", face_name, params.size, params.spread);
  desc += line;
  snprintf(line, sizeof(line), "common lineHeight=%d base=0 scaleW=%d scaleH=%d\n", line_height, ATLAS_WIDTH, atlas_h);
  desc += line;
  snprintf(line, sizeof(line), "page id=0 file=\"%s\"\nchars count=%d\n", params.atlasName, int(glyphs.size()));
  desc += line;
  for (size_t i = 0; i < glyphs.size(); i++) {
    const Glyph& g = glyphs[i];
    // y offset: how far the glyph box's top lies above the line's top.
    snprintf(line, sizeof(line),
             "char id=%d x=%d y=%d width=%d height=%d xoffset=%d yoffset=%g xadvance=%g\n", g.code, rects[i].x,
             rects[i].y, g.w, g.h, g.xoff, g.w ? -(ascent_px + float(g.yoff)) : 0.f, g.advance);
    desc += line;
  }
  std::string pairs;
  int count = 0;
  for (int a = 32; a < 127; a++)
    for (int b = 32; b < 127; b++) {
      float k = float(stbtt_GetCodepointKernAdvance(f, a, b)) * scale;
      if (std::fabs(k) < 0.1f) continue;
      snprintf(line, sizeof(line), "kerning first=%d second=%d amount=%g\n", a, b, k);
      pairs += line;
      count++;
    }
  snprintf(line, sizeof(line), "kernings count=%d\n", count);
  desc += line;
  desc += pairs;

  std::string base = out_dir + params.atlasName;
  FILE* out = fopen((base + ".fnt").c_str(), "wb");
  bool ok = out && fwrite(desc.data(), 1, desc.size(), out) == desc.size();
  if (out && fclose(out) != 0) ok = false;
  if (!ok) {
    fprintf(stderr, "%s.fnt: can't write the file\n", base.c_str());
    return false;
  }
  // Distance fields blur badly when block-compressed; a short mip chain
  // keeps small text smooth without glyphs bleeding into each other.
  return write_dds_file((base + ".dds").c_str(), DdsFormat::L8, ATLAS_WIDTH, atlas_h, atlas.data(), 3);
}
