#pragma once
// Reads a PNG the game saved, for tests that look at its pixels.
#include <cstdint>
#include <string>
#include <vector>

struct PngImage {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;  // rows from the top, 3 bytes a pixel
  const uint8_t* at(int x, int y) const { return &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3]; }
};

// False when the file is missing or no PNG.
bool read_png_file(const std::string& path, PngImage* image);
