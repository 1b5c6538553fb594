#include "render/tga_reader.h"
#include <cstdio>
#include <cstring>
#include "core/debug.h"
#include "core/streams.h"

namespace {
constexpr size_t TGA_HEADER_BYTES = 18;
}

bool parse_tga(const uint8_t* data, size_t size, TgaImage* out, const char** error) {
  *error = nullptr;
  if (size < TGA_HEADER_BYTES) {
    *error = "truncated TGA image";
    return false;
  }
  if (data[2] != 2 || data[16] != 32 || data[1] != 0) {
    *error = "unsupported TGA format";
    return false;
  }
  int w = data[12] | data[13] << 8, h = data[14] | data[15] << 8;
  if (w == 0 || h == 0) {
    *error = "zero-sized TGA image";
    return false;
  }
  // An image id, when present, sits between the header and the pixels.
  size_t start = TGA_HEADER_BYTES + data[0];
  size_t bytes = size_t(w) * size_t(h) * 4;
  if (size < start || size - start < bytes) {
    *error = "truncated TGA image";
    return false;
  }
  out->width = w;
  out->height = h;
  out->pixels.resize(0);
  out->pixels.insert(0, int(bytes), data + start);
  return true;
}

bool load_tga(const char* path, TgaImage* out) {
  FILE* f = open_data_file(path, "rb");
  if (!f) {
    debug("can't open '%s'", path);
    return false;
  }
  DynArray<uint8_t> bytes;
  uint8_t chunk[65536];
  for (size_t n; (n = fread(chunk, 1, sizeof(chunk), f)) > 0;) bytes.insert(bytes.num, int(n), chunk);
  fclose(f);
  const char* error = nullptr;
  if (!parse_tga(bytes.data ? bytes.data : chunk, size_t(bytes.num), out, &error)) {
    debug("'%s': %s", path, error);
    return false;
  }
  return true;
}
