#include "tools/font_atlas/truetype_file.h"
#include <cstdio>
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb/stb_truetype.h>

bool load_truetype(const std::string& path, TrueTypeFile* out) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) {
    fprintf(stderr, "can't open font '%s'\n", path.c_str());
    return false;
  }
  fseek(f, 0, SEEK_END);
  long size = ftell(f);
  fseek(f, 0, SEEK_SET);
  out->bytes.resize(size > 0 ? size_t(size) : 0);
  bool read = size > 0 && fread(out->bytes.data(), 1, out->bytes.size(), f) == out->bytes.size();
  fclose(f);
  if (!read || !stbtt_InitFont(&out->info, out->bytes.data(), stbtt_GetFontOffsetForIndex(out->bytes.data(), 0))) {
    fprintf(stderr, "'%s' is not a TrueType font\n", path.c_str());
    return false;
  }
  return true;
}
