#include "tools/asset_common/dds_writer.h"
#include <cstdio>
#include <cstring>
#define STB_DXT_STATIC
#define STB_DXT_IMPLEMENTATION
#include <stb/stb_dxt.h>

namespace {
constexpr uint32_t DDSD_CAPS = 0x1, DDSD_HEIGHT = 0x2, DDSD_WIDTH = 0x4, DDSD_PITCH = 0x8,
                   DDSD_PIXELFORMAT = 0x1000, DDSD_MIPMAPCOUNT = 0x20000, DDSD_LINEARSIZE = 0x80000;
constexpr uint32_t DDPF_ALPHAPIXELS = 0x1, DDPF_FOURCC = 0x4, DDPF_RGB = 0x40, DDPF_LUMINANCE = 0x20000;
constexpr uint32_t DDSCAPS_COMPLEX = 0x8, DDSCAPS_TEXTURE = 0x1000, DDSCAPS_MIPMAP = 0x400000;

bool is_compressed(DdsFormat f) { return f == DdsFormat::DXT1 || f == DdsFormat::DXT5; }
int half(int s) { return s > 1 ? s / 2 : 1; }

void put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; i++) out[at + i] = uint8_t(v >> (8 * i));
}

int level_bytes(DdsFormat f, int w, int h) {
  if (is_compressed(f)) return ((w + 3) / 4) * ((h + 3) / 4) * (f == DdsFormat::DXT1 ? 8 : 16);
  return w * h * (f == DdsFormat::L8 ? 1 : 4);
}

void write_header(std::vector<uint8_t>& out, DdsFormat f, int w, int h, int levels) {
  out.assign(128, 0);
  memcpy(out.data(), "DDS ", 4);
  put32(out, 4, 124);
  uint32_t flags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
  flags |= is_compressed(f) ? DDSD_LINEARSIZE : DDSD_PITCH;
  if (levels > 1) flags |= DDSD_MIPMAPCOUNT;
  put32(out, 8, flags);
  put32(out, 12, uint32_t(h));
  put32(out, 16, uint32_t(w));
  put32(out, 20, uint32_t(is_compressed(f) ? level_bytes(f, w, h) : w * (f == DdsFormat::L8 ? 1 : 4)));
  put32(out, 28, uint32_t(levels));
  // Pixel format at 76.
  put32(out, 76, 32);
  switch (f) {
    case DdsFormat::DXT1:
    case DdsFormat::DXT5:
      put32(out, 80, DDPF_FOURCC);
      memcpy(out.data() + 84, f == DdsFormat::DXT1 ? "DXT1" : "DXT5", 4);
      break;
    case DdsFormat::ARGB:
    case DdsFormat::XRGB:
      put32(out, 80, DDPF_RGB | (f == DdsFormat::ARGB ? DDPF_ALPHAPIXELS : 0));
      put32(out, 88, 32);
      put32(out, 92, 0xFF0000);
      put32(out, 96, 0xFF00);
      put32(out, 100, 0xFF);
      put32(out, 104, f == DdsFormat::ARGB ? 0xFF000000u : 0);
      break;
    case DdsFormat::L8:
      put32(out, 80, DDPF_LUMINANCE);
      put32(out, 88, 8);
      put32(out, 92, 0xFF);
      break;
  }
  uint32_t caps = DDSCAPS_TEXTURE;
  if (levels > 1) caps |= DDSCAPS_COMPLEX | DDSCAPS_MIPMAP;
  put32(out, 108, caps);
}

// Blocks of 4 x 4 pixels; pixels past a small level's edge repeat its last
// row and column.
void compress_level(std::vector<uint8_t>& out, DdsFormat f, const DdsLevel& lv) {
  int bytes = f == DdsFormat::DXT1 ? 8 : 16;
  for (int by = 0; by < lv.height; by += 4)
    for (int bx = 0; bx < lv.width; bx += 4) {
      uint8_t block[64];
      for (int y = 0; y < 4; y++)
        for (int x = 0; x < 4; x++) {
          int sx = bx + x < lv.width ? bx + x : lv.width - 1;
          int sy = by + y < lv.height ? by + y : lv.height - 1;
          memcpy(block + (y * 4 + x) * 4, lv.pixels.data() + (size_t(sy) * lv.width + sx) * 4, 4);
        }
      uint8_t packed[16];
      stb_compress_dxt_block(packed, block, f == DdsFormat::DXT5 ? 1 : 0, STB_DXT_HIGHQUAL);
      out.insert(out.end(), packed, packed + bytes);
    }
}

// Plain formats store blue, green, red, alpha (ARGB in a little-endian word).
void copy_plain_level(std::vector<uint8_t>& out, DdsFormat f, const DdsLevel& lv) {
  size_t n = size_t(lv.width) * lv.height;
  if (f == DdsFormat::L8) {
    out.insert(out.end(), lv.pixels.begin(), lv.pixels.begin() + n);
    return;
  }
  for (size_t i = 0; i < n; i++) {
    const uint8_t* p = lv.pixels.data() + i * 4;
    uint8_t bgra[4] = {p[2], p[1], p[0], f == DdsFormat::ARGB ? p[3] : uint8_t(255)};
    out.insert(out.end(), bgra, bgra + 4);
  }
}
}  // namespace

int dds_source_channels(DdsFormat format) { return format == DdsFormat::L8 ? 1 : 4; }

std::vector<DdsLevel> make_mip_chain(int width, int height, int channels, const uint8_t* pixels, int max_levels) {
  std::vector<DdsLevel> chain;
  if (width <= 0 || height <= 0 || (channels != 1 && channels != 4) || !pixels) return chain;
  DdsLevel first;
  first.width = width;
  first.height = height;
  first.pixels.assign(pixels, pixels + size_t(width) * height * channels);
  chain.push_back(std::move(first));
  while ((max_levels <= 0 || int(chain.size()) < max_levels) && (chain.back().width > 1 || chain.back().height > 1)) {
    const DdsLevel& src = chain.back();
    DdsLevel next;
    next.width = half(src.width);
    next.height = half(src.height);
    next.pixels.resize(size_t(next.width) * next.height * channels);
    // 2 x 2 box filter; a side of 1 averages the two pixels of the other side.
    for (int y = 0; y < next.height; y++)
      for (int x = 0; x < next.width; x++)
        for (int c = 0; c < channels; c++) {
          int x0 = x * 2, y0 = y * 2;
          int x1 = src.width > 1 ? x0 + 1 : x0, y1 = src.height > 1 ? y0 + 1 : y0;
          auto at = [&](int sx, int sy) { return int(src.pixels[(size_t(sy) * src.width + sx) * channels + c]); };
          next.pixels[(size_t(y) * next.width + x) * channels + c] =
              uint8_t((at(x0, y0) + at(x1, y0) + at(x0, y1) + at(x1, y1) + 2) / 4);
        }
    chain.push_back(std::move(next));
  }
  return chain;
}

std::vector<uint8_t> encode_dds(DdsFormat format, const std::vector<DdsLevel>& levels) {
  std::vector<uint8_t> out;
  if (levels.empty() || levels[0].width <= 0 || levels[0].height <= 0) return out;
  int channels = dds_source_channels(format);
  int w = levels[0].width, h = levels[0].height;
  for (const DdsLevel& lv : levels) {
    if (lv.width != w || lv.height != h || lv.pixels.size() != size_t(w) * h * channels) return out;
    w = half(w);
    h = half(h);
  }
  std::vector<uint8_t> file;
  write_header(file, format, levels[0].width, levels[0].height, int(levels.size()));
  for (const DdsLevel& lv : levels) {
    if (is_compressed(format))
      compress_level(file, format, lv);
    else
      copy_plain_level(file, format, lv);
  }
  return file;
}

bool write_dds_file(const char* path, DdsFormat format, const std::vector<DdsLevel>& levels) {
  std::vector<uint8_t> bytes = encode_dds(format, levels);
  if (bytes.empty()) {
    fprintf(stderr, "%s: levels do not form a mip chain\n", path);
    return false;
  }
  FILE* f = fopen(path, "wb");
  bool ok = f && fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (f && fclose(f) != 0) ok = false;
  if (!ok) fprintf(stderr, "%s: can't write the file\n", path);
  return ok;
}

bool write_dds_file(const char* path, DdsFormat format, int width, int height, const uint8_t* pixels,
                    int max_levels) {
  return write_dds_file(path, format,
                        make_mip_chain(width, height, dds_source_channels(format), pixels, max_levels));
}
