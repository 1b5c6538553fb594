#pragma once
// The developer overlays' bitmap font: 256 glyphs in a 16 x 16 grid of
// cells, white with the glyph's coverage as alpha. Code 0 is a solid block
// (filled rectangles sample it); 1..31 are empty; the rest follow Latin-1.
#include <cstdint>
#include <vector>
#include "tools/font_atlas/truetype_file.h"

constexpr int BITMAP_FONT_CELL_W = 10;
constexpr int BITMAP_FONT_CELL_H = 16;

struct RgbaImage {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;  // red, green, blue, alpha; top row first
};

RgbaImage make_bitmap_font_image(const TrueTypeFile& mono);
