#include "render/desc_lines.h"
#include <cstdio>
#include "core/allocator.h"
#include "core/paths.h"
#include "render/textures.h"

bool DescLines::next(char (&line)[DESC_LINE_SIZE]) {
  if (p >= end) return false;
  int n = 0;
  while (p < end && n < DESC_LINE_SIZE - 1) {
    char c = *p++;
    if (c == '\n') break;
    line[n++] = c;
  }
  line[n] = 0;
  return true;
}

namespace {
char* read_desc_file(const char* path, size_t* size) {
  FILE* f = fopen(path, "rb");
  if (!f) return nullptr;
  char* data = nullptr;
  long len = -1;
  if (fseek(f, 0, SEEK_END) == 0) len = ftell(f);
  if (len >= 0 && fseek(f, 0, SEEK_SET) == 0) data = (char*)dlmalloc(size_t(len) + 1);
  if (data && fread(data, 1, size_t(len), f) != size_t(len)) {
    dlfree(data);
    data = nullptr;
  }
  fclose(f);
  if (!data) return nullptr;
  data[len] = 0;
  *size = size_t(len);
  return data;
}
}  // namespace

Texture* load_desc_and_atlas(const char* name, const DescParser& parse) {
  size_t size = 0;
  char* data = read_desc_file(make_full_path(name), &size);
  if (!data) return nullptr;
  char atlas[DESC_LINE_SIZE];
  bool ok = parse(data, size, atlas, sizeof(atlas));
  dlfree(data);
  if (!ok) return nullptr;
  PathString file;
  file.format("%s.dds", atlas);
  return get_texture(file, false);
}
