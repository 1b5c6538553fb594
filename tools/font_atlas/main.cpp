// font_atlas OUT_DIR [FONT_DIR]: writes the game's fonts beside the
// executable: the bitmap font "font.tga" for the developer overlays.
#include <cstdio>
#include <string>
#include "tools/font_atlas/bitmap_font_image.h"
#include "tools/font_atlas/tga_writer.h"
#include "tools/font_atlas/truetype_file.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: font_atlas OUT_DIR [FONT_DIR]\n");
    return 2;
  }
  std::string out = std::string(argv[1]) + "/";
  std::string fonts = argc > 2 ? std::string(argv[2]) + "/" : "/usr/share/fonts/truetype/dejavu/";
  TrueTypeFile mono;
  if (!load_truetype(fonts + "DejaVuSansMono.ttf", &mono)) return 1;
  RgbaImage bitmap = make_bitmap_font_image(mono);
  if (!write_tga_file((out + "font.tga").c_str(), bitmap.width, bitmap.height, bitmap.pixels.data())) return 1;
  return 0;
}
