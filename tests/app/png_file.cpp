#include "tests/app/png_file.h"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

bool read_png_file(const std::string& path, PngImage* image) {
  int channels = 0;
  stbi_uc* px = stbi_load(path.c_str(), &image->width, &image->height, &channels, 3);
  if (!px) return false;
  image->rgb.assign(px, px + size_t(image->width) * size_t(image->height) * 3);
  stbi_image_free(px);
  return true;
}
