#pragma once
// Places rectangles into an atlas of fixed width row by row (tallest
// first); the height is the smallest power of two that holds them.
#include <vector>

struct PackRect {
  int w = 0, h = 0;  // in
  int x = 0, y = 0;  // out
};

// Returns the atlas height; rectangles wider than the atlas give 0.
int pack_shelves(std::vector<PackRect>& rects, int atlas_width, int margin);
