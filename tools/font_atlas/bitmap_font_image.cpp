#include "tools/font_atlas/bitmap_font_image.h"
#include <cmath>

RgbaImage make_bitmap_font_image(const TrueTypeFile& mono) {
  RgbaImage img;
  img.width = BITMAP_FONT_CELL_W * 16;
  img.height = BITMAP_FONT_CELL_H * 16;
  img.pixels.assign(size_t(img.width) * img.height * 4, 0);
  for (size_t i = 0; i < img.pixels.size(); i += 4) img.pixels[i] = img.pixels[i + 1] = img.pixels[i + 2] = 255;
  auto alpha = [&](int x, int y) -> uint8_t& { return img.pixels[(size_t(y) * img.width + x) * 4 + 3]; };

  // Glyphs one pixel short of the cell height; the baseline leaves room for
  // descenders.
  float scale = stbtt_ScaleForPixelHeight(&mono.info, float(BITMAP_FONT_CELL_H - 1));
  int ascent, descent, gap;
  stbtt_GetFontVMetrics(&mono.info, &ascent, &descent, &gap);
  int baseline = int(std::lround(float(ascent) * scale));
  for (int code = 0; code < 256; code++) {
    int cx = (code % 16) * BITMAP_FONT_CELL_W, cy = (code / 16) * BITMAP_FONT_CELL_H;
    if (code == 0) {
      for (int y = 0; y < BITMAP_FONT_CELL_H; y++)
        for (int x = 0; x < BITMAP_FONT_CELL_W; x++) alpha(cx + x, cy + y) = 255;
      continue;
    }
    if (code < 33 || code == 127 || (code >= 128 && code < 161)) continue;  // blanks and controls
    int x0, y0, x1, y1;
    stbtt_GetCodepointBitmapBox(&mono.info, code, scale, scale, &x0, &y0, &x1, &y1);
    int w = x1 - x0, h = y1 - y0;
    if (w <= 0 || h <= 0) continue;
    std::vector<unsigned char> cover(size_t(w) * h);
    stbtt_MakeCodepointBitmap(&mono.info, cover.data(), w, h, w, scale, scale, code);
    int lsb, adv;
    stbtt_GetCodepointHMetrics(&mono.info, code, &adv, &lsb);
    int left = int(std::lround(float(lsb) * scale));
    for (int y = 0; y < h; y++)
      for (int x = 0; x < w; x++) {
        int px = left + x, py = baseline + y0 + y;
        if (px < 0 || px >= BITMAP_FONT_CELL_W || py < 0 || py >= BITMAP_FONT_CELL_H) continue;
        alpha(cx + px, cy + py) = cover[size_t(y) * w + x];
      }
  }
  return img;
}
