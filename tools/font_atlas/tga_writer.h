#pragma once
// Uncompressed 32-bit true-colour TGA files, the bitmap font's format.
#include <cstdint>
#include <vector>

// pixels: red, green, blue, alpha per pixel, top row first. The file stores
// blue, green, red, alpha with the bottom row first.
std::vector<uint8_t> encode_tga(int width, int height, const uint8_t* rgba);
bool write_tga_file(const char* path, int width, int height, const uint8_t* rgba);
