// Draws the game's icon for the desktop at the hicolor theme's sizes:
//   app_icon OUT_FOLDER NAME
// writes OUT_FOLDER/<n>x<n>/apps/NAME.png for every size.
#include <sys/stat.h>
#include <cerrno>
#include <cstdio>
#include <string>
#include "tools/app_icon/icon_painter.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace {
const int ICON_SIZES[] = {16, 24, 32, 48, 64, 128, 256};

bool make_folder(const std::string& path) { return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST; }
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: app_icon OUT_FOLDER NAME\n");
    return 2;
  }
  std::string out = argv[1];
  for (int size : ICON_SIZES) {
    std::string folder = out + "/" + std::to_string(size) + "x" + std::to_string(size);
    if (!make_folder(out) || !make_folder(folder) || !make_folder(folder + "/apps")) {
      fprintf(stderr, "app_icon: can't create %s/apps\n", folder.c_str());
      return 1;
    }
    std::string file = folder + "/apps/" + argv[2] + ".png";
    std::vector<uint8_t> px = paint_app_icon(size);
    if (!stbi_write_png(file.c_str(), size, size, 4, px.data(), size * 4)) {
      fprintf(stderr, "app_icon: can't write %s\n", file.c_str());
      return 1;
    }
  }
  return 0;
}
