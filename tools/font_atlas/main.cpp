// font_atlas OUT_DIR [FONT_DIR]: writes the game's fonts beside the
// executable: the bitmap font "font.tga" for the developer overlays, the
// distance-field body and title fonts and the icon atlas in "fonts/".
#include <cstdio>
#include <string>
#include "tools/font_atlas/bitmap_font_image.h"
#include "tools/font_atlas/icon_atlas.h"
#include "tools/font_atlas/sdf_font_atlas.h"
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
  TrueTypeFile body, title;
  if (!load_truetype(fonts + "DejaVuSans.ttf", &body) || !load_truetype(fonts + "DejaVuSans-Bold.ttf", &title))
    return 1;
  if (!write_sdf_font(body, "DejaVu Sans", {"fonts/body", 40, 6}, out)) return 1;
  if (!write_sdf_font(title, "DejaVu Sans Bold", {"fonts/title", 56, 8}, out)) return 1;
  if (!write_icon_atlas("fonts/ui_icons", out)) return 1;
  return 0;
}
