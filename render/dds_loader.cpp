#include "render/dds_loader.h"
#include <cstdio>
#include <cstring>
#include "core/allocator.h"
#include "core/debug.h"
#include "core/streams.h"
#include "render/textures.h"

namespace {
constexpr uint32_t DDSD_HEIGHT = 0x2, DDSD_WIDTH = 0x4, DDSD_PIXELFORMAT = 0x1000, DDSD_MIPMAPCOUNT = 0x20000,
                   DDSD_DEPTH = 0x800000;
constexpr uint32_t DDSCAPS2_CUBEMAP = 0x200, DDSCAPS2_VOLUME = 0x200000;
constexpr uint32_t DDPF_ALPHAPIXELS = 0x1, DDPF_FOURCC = 0x4, DDPF_RGB = 0x40, DDPF_LUMINANCE = 0x20000;
constexpr int DDS_HEADER_BYTES = 128;  // magic and header

uint32_t u32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint32_t fourcc(const char* s) { return u32(reinterpret_cast<const uint8_t*>(s)); }

int pixel_format(const uint8_t* pf) {
  uint32_t flags = u32(pf + 4), cc = u32(pf + 8), bits = u32(pf + 12);
  uint32_t r = u32(pf + 16), g = u32(pf + 20), b = u32(pf + 24), a = u32(pf + 28);
  if (flags & DDPF_FOURCC) {
    if (cc == fourcc("DXT1")) return TEXFMT_DXT1;
    if (cc == fourcc("DXT3")) return TEXFMT_DXT3;
    if (cc == fourcc("DXT5")) return TEXFMT_DXT5;
    return 0;
  }
  if ((flags & DDPF_RGB) && bits == 32 && r == 0xFF0000 && g == 0xFF00 && b == 0xFF) {
    if ((flags & DDPF_ALPHAPIXELS) && a == 0xFF000000u) return TEXFMT_ARGB8;
    if (!(flags & DDPF_ALPHAPIXELS) || a == 0) return TEXFMT_XRGB8;
    return 0;
  }
  if ((flags & DDPF_LUMINANCE) && bits == 8 && r == 0xFF) return TEXFMT_L8;
  return 0;
}

int half(int s) { return s > 1 ? s / 2 : 1; }
}  // namespace

int dds_level_bytes(int format, int w, int h) {
  if (format == TEXFMT_DXT1 || format == TEXFMT_DXT3 || format == TEXFMT_DXT5) {
    int bw = (w + 3) / 4, bh = (h + 3) / 4;
    return (bw < 1 ? 1 : bw) * (bh < 1 ? 1 : bh) * (format == TEXFMT_DXT1 ? 8 : 16);
  }
  return w * h * (format == TEXFMT_L8 ? 1 : 4);
}

bool parse_dds_header(const uint8_t* d, int size, DdsInfo* out) {
  if (size < DDS_HEADER_BYTES || memcmp(d, "DDS ", 4) != 0) return false;
  if (u32(d + 4) != 124 || u32(d + 76) != 32) return false;
  uint32_t flags = u32(d + 8);
  uint32_t needed = DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
  if ((flags & needed) != needed || (flags & DDSD_DEPTH)) return false;
  if (u32(d + 112) & (DDSCAPS2_CUBEMAP | DDSCAPS2_VOLUME)) return false;
  int h = int(u32(d + 12)), w = int(u32(d + 16));
  if (w <= 0 || h <= 0 || w > 16384 || h > 16384) return false;
  int format = pixel_format(d + 76);
  if (!format) return false;
  int levels = (flags & DDSD_MIPMAPCOUNT) && u32(d + 28) > 0 ? int(u32(d + 28)) : 1;
  // No level can be smaller than 1 x 1.
  int max_levels = 1;
  for (int s = w > h ? w : h; s > 1; s /= 2) max_levels++;
  if (levels > max_levels) levels = max_levels;
  *out = DdsInfo{w, h, levels, format, DDS_HEADER_BYTES};
  return true;
}

Texture* load_dds_texture(const char* path) {
  FILE* f = open_data_file(path, "rb");
  long size = -1;
  if (f && fseek(f, 0, SEEK_END) == 0) size = ftell(f);
  uint8_t* data = size >= 0 ? (uint8_t*)dlmalloc(size_t(size) + 1) : nullptr;
  bool read = f && data && fseek(f, 0, SEEK_SET) == 0 && fread(data, 1, size_t(size), f) == size_t(size);
  if (f) fclose(f);
  if (!read) {
    dlfree(data);
    fatal("Error loading file '%s'", path);
  }
  DdsInfo info;
  if (!parse_dds_header(data, int(size), &info)) {
    dlfree(data);
    fatal("Texture '%s' is not a DDS", path);
  }
  // Every level must be in the file before anything is created.
  long need = info.dataOffset;
  for (int l = 0, w = info.width, h = info.height; l < info.levels; l++, w = half(w), h = half(h))
    need += dds_level_bytes(info.format, w, h);
  if (need > size) {
    dlfree(data);
    fatal("Texture '%s' is truncated", path);
  }
  Texture* tex = create_texture(info.width, info.height, info.levels, TEXUSAGE_NONE, info.format, TEXMEM_MANAGED);
  if (!tex) {
    dlfree(data);
    fatal("Error creating texture from '%s'", path);
  }
  const uint8_t* src = data + info.dataOffset;
  bool compressed = info.format == TEXFMT_DXT1 || info.format == TEXFMT_DXT3 || info.format == TEXFMT_DXT5;
  for (int l = 0, w = info.width, h = info.height; l < info.levels; l++, w = half(w), h = half(h)) {
    int pitch = 0;
    uint8_t* dst = lock_texture_level(tex, l, &pitch, true);
    if (!dst) {
      dlfree(data);
      fatal("error loading texture '%s' (code 0x%08X)", path, 0x0502u /* invalid operation */);
    }
    int bytes = dds_level_bytes(info.format, w, h);
    if (compressed) {
      memcpy(dst, src, size_t(bytes));
    } else {
      int row = w * (info.format == TEXFMT_L8 ? 1 : 4);
      for (int y = 0; y < h; y++) memcpy(dst + y * pitch, src + y * row, size_t(row));
    }
    unlock_texture(tex);
    src += bytes;
  }
  debug("loaded DDS texture '%s'", path);
  dlfree(data);
  return tex;
}
