#pragma once
// DDS files: 2D textures in DXT1/3/5, 32-bit ARGB and XRGB, and 8-bit
// luminance, with their mip levels.
#include <cstdint>

struct Texture;

struct DdsInfo {
  int width, height, levels, format;  // format: a TEXFMT_ code
  int dataOffset;                     // first level's bytes
};

// Checks the header; false for anything this loader does not accept.
bool parse_dds_header(const uint8_t* data, int size, DdsInfo* out);
// Bytes of one level of the given size.
int dds_level_bytes(int format, int width, int height);
// Loads a file into a new managed texture; stops the program when the file
// is missing, not a DDS we accept, truncated, or cannot be uploaded.
Texture* load_dds_texture(const char* path);
