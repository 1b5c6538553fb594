#pragma once
// Uncompressed 32-bit true-colour TGA images (the bitmap font's file).
#include <cstddef>
#include <cstdint>
#include "core/dyn_array.h"

struct TgaImage {
  int width = 0, height = 0;
  // width x height pixels as in the file: bytes blue, green, red, alpha,
  // bottom row first.
  DynArray<uint8_t> pixels;
};

// False with the reason in *error ("unsupported TGA format", "zero-sized
// TGA image", "truncated TGA image") when the bytes are not such an image.
bool parse_tga(const uint8_t* data, size_t size, TgaImage* out, const char** error);
// Reads a file; a missing file or a bad image is logged and gives false.
bool load_tga(const char* path, TgaImage* out);
