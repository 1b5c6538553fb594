// Writes "blendfx.dds" and "glowfx.dds" into the folder given; with a third
// argument also PNG previews of both for looking at the sprites.
#include <cstdio>
#include <string>
#include <vector>

#include "effects/fx_atlas.h"
#include "tools/asset_common/dds_writer.h"
#include "tools/fx_atlas/fx_painter.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace {

std::vector<uint8_t> to_rgba(const std::vector<uint32_t>& argb) {
  std::vector<uint8_t> out(argb.size() * 4);
  for (size_t i = 0; i < argb.size(); i++) {
    out[i * 4 + 0] = uint8_t(argb[i] >> 16);
    out[i * 4 + 1] = uint8_t(argb[i] >> 8);
    out[i * 4 + 2] = uint8_t(argb[i]);
    out[i * 4 + 3] = uint8_t(argb[i] >> 24);
  }
  return out;
}

bool write_atlas(const std::string& folder, const char* name, bool glow, bool preview) {
  std::vector<uint32_t> px;
  paint_fx_atlas(glow, px);
  std::vector<uint8_t> rgba = to_rgba(px);
  std::string path = folder + "/" + name;
  // Few mip levels: the strips and sprites sit side by side, and deeper
  // levels would bleed them into each other.
  if (!write_dds_file(path.c_str(), DdsFormat::DXT5, FX_ATLAS_WIDTH, FX_ATLAS_HEIGHT, rgba.data(), 4)) return false;
  if (preview) {
    // Over a dark blue sky, the way the sprites will mostly be seen.
    std::vector<uint8_t> shown(rgba.size());
    const int sky[3] = {30, 40, 70};
    for (size_t i = 0; i < rgba.size(); i += 4)
      for (int c = 0; c < 4; c++) {
        int a = rgba[i + 3];
        int v = c == 3 ? 255 : glow ? sky[c] + rgba[i + c] * a / 255 : sky[c] + (rgba[i + c] - sky[c]) * a / 255;
        shown[i + c] = uint8_t(v > 255 ? 255 : v);
      }
    std::string png = path + ".png";
    if (!stbi_write_png(png.c_str(), FX_ATLAS_WIDTH, FX_ATLAS_HEIGHT, 4, shown.data(), FX_ATLAS_WIDTH * 4)) {
      fprintf(stderr, "fx_atlas: can't write '%s'\n", png.c_str());
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: fx_atlas OUTPUT_FOLDER [preview]\n");
    return 2;
  }
  bool preview = argc > 2;
  bool ok = write_atlas(argv[1], "blendfx.dds", false, preview) && write_atlas(argv[1], "glowfx.dds", true, preview);
  return ok ? 0 : 1;
}
