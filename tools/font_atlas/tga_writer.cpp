#include "tools/font_atlas/tga_writer.h"
#include <cstdio>

std::vector<uint8_t> encode_tga(int width, int height, const uint8_t* rgba) {
  std::vector<uint8_t> out(18, 0);
  out[2] = 2;  // uncompressed true colour
  out[12] = uint8_t(width);
  out[13] = uint8_t(width >> 8);
  out[14] = uint8_t(height);
  out[15] = uint8_t(height >> 8);
  out[16] = 32;
  out[17] = 8;  // eight alpha bits, origin at the bottom left
  out.reserve(18 + size_t(width) * height * 4);
  for (int y = height - 1; y >= 0; y--)
    for (int x = 0; x < width; x++) {
      const uint8_t* p = rgba + (size_t(y) * width + x) * 4;
      uint8_t bgra[4] = {p[2], p[1], p[0], p[3]};
      out.insert(out.end(), bgra, bgra + 4);
    }
  return out;
}

bool write_tga_file(const char* path, int width, int height, const uint8_t* rgba) {
  std::vector<uint8_t> bytes = encode_tga(width, height, rgba);
  FILE* f = fopen(path, "wb");
  bool ok = f && fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (f && fclose(f) != 0) ok = false;
  if (!ok) fprintf(stderr, "%s: can't write the file\n", path);
  return ok;
}
