// contact_sheet OUT.png COLUMNS THUMB_WIDTH FONT.ttf (IMAGE CAPTION)...:
// one PNG of the given screenshots, shrunk to THUMB_WIDTH pixels and laid
// out in rows of COLUMNS, each with its caption under it, for looking over
// a whole walkthrough at once.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "tools/font_atlas/truetype_file.h"
// stb's own code is not ours to warn about.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

namespace {
constexpr int MARGIN = 12;
constexpr int CAPTION_PX = 18;

struct Sheet {
  int w = 0, h = 0;
  std::vector<unsigned char> rgb;
  unsigned char* at(int x, int y) { return &rgb[(size_t(y) * w + x) * 3]; }
};

// The image shrunk by averaging the source pixels under each thumbnail pixel.
void paste_thumb(Sheet& sheet, const unsigned char* src, int sw, int sh, int x0, int y0, int tw, int th) {
  for (int y = 0; y < th; y++)
    for (int x = 0; x < tw; x++) {
      int sx0 = x * sw / tw, sx1 = std::max(sx0 + 1, (x + 1) * sw / tw);
      int sy0 = y * sh / th, sy1 = std::max(sy0 + 1, (y + 1) * sh / th);
      int sum[3] = {0, 0, 0}, n = 0;
      for (int sy = sy0; sy < sy1; sy++)
        for (int sx = sx0; sx < sx1; sx++, n++)
          for (int c = 0; c < 3; c++) sum[c] += src[(size_t(sy) * sw + sx) * 4 + c];
      for (int c = 0; c < 3; c++) sheet.at(x0 + x, y0 + y)[c] = (unsigned char)(sum[c] / n);
    }
}

// Light text on the sheet's dark ground, clipped to max_w.
void draw_caption(Sheet& sheet, const TrueTypeFile& font, const std::string& text, int x0, int y0, int max_w) {
  float scale = stbtt_ScaleForPixelHeight(&font.info, float(CAPTION_PX));
  int ascent;
  stbtt_GetFontVMetrics(&font.info, &ascent, nullptr, nullptr);
  float pen = 0;
  for (unsigned char ch : text) {
    int advance, bearing;
    stbtt_GetCodepointHMetrics(&font.info, ch, &advance, &bearing);
    int gw, gh, ox, oy;
    unsigned char* glyph = stbtt_GetCodepointBitmap(&font.info, scale, scale, ch, &gw, &gh, &ox, &oy);
    int gx = x0 + int(pen) + ox, gy = y0 + int(float(ascent) * scale) + oy;
    for (int y = 0; y < gh; y++)
      for (int x = 0; x < gw; x++) {
        int px = gx + x, py = gy + y;
        if (px < x0 || px >= x0 + max_w || py < 0 || py >= sheet.h) continue;
        unsigned char* p = sheet.at(px, py);
        int a = glyph[y * gw + x];
        for (int c = 0; c < 3; c++) p[c] = (unsigned char)((p[c] * (255 - a) + 235 * a) / 255);
      }
    stbtt_FreeBitmap(glyph, nullptr);
    pen += float(advance) * scale;
  }
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 7 || (argc - 5) % 2 != 0) {
    fprintf(stderr, "usage: contact_sheet OUT.png COLUMNS THUMB_WIDTH FONT.ttf (IMAGE CAPTION)...\n");
    return 2;
  }
  int columns = atoi(argv[2]), thumb_w = atoi(argv[3]);
  if (columns < 1 || thumb_w < 16) {
    fprintf(stderr, "contact_sheet: COLUMNS must be 1 or more and THUMB_WIDTH 16 or more\n");
    return 2;
  }
  TrueTypeFile font;
  if (!load_truetype(argv[4], &font)) return 1;
  int count = (argc - 5) / 2;
  // Every thumbnail has the first image's proportions.
  int w0, h0, n0;
  if (!stbi_info(argv[5], &w0, &h0, &n0)) {
    fprintf(stderr, "contact_sheet: '%s' is not an image: %s\n", argv[5], stbi_failure_reason());
    return 1;
  }
  int thumb_h = thumb_w * h0 / w0, cell_w = thumb_w + MARGIN, cell_h = thumb_h + CAPTION_PX + 8 + MARGIN;
  int rows = (count + columns - 1) / columns;
  Sheet sheet;
  sheet.w = MARGIN + columns * cell_w;
  sheet.h = MARGIN + rows * cell_h;
  sheet.rgb.assign(size_t(sheet.w) * sheet.h * 3, 28);
  int failed = 0;
  for (int i = 0; i < count; i++) {
    const char* path = argv[5 + 2 * i];
    int x0 = MARGIN + (i % columns) * cell_w, y0 = MARGIN + (i / columns) * cell_h;
    int w, h, n;
    unsigned char* pixels = stbi_load(path, &w, &h, &n, 4);
    if (!pixels) {
      fprintf(stderr, "contact_sheet: can't read '%s': %s\n", path, stbi_failure_reason());
      failed++;
      draw_caption(sheet, font, std::string("missing: ") + argv[6 + 2 * i], x0, y0 + thumb_h + 4, thumb_w);
      continue;
    }
    paste_thumb(sheet, pixels, w, h, x0, y0, thumb_w, thumb_h);
    stbi_image_free(pixels);
    draw_caption(sheet, font, argv[6 + 2 * i], x0, y0 + thumb_h + 4, thumb_w);
  }
  if (!stbi_write_png(argv[1], sheet.w, sheet.h, 3, sheet.rgb.data(), sheet.w * 3)) {
    fprintf(stderr, "contact_sheet: can't write '%s'\n", argv[1]);
    return 1;
  }
  return failed ? 1 : 0;
}
