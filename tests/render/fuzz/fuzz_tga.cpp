// libFuzzer entry: the TGA reader on arbitrary bytes, then the bitmap
// font's glyph cutting on whatever it accepts.
#include <cstdint>
#include "render/bitmap_font.h"
#include "render/tga_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TgaImage img;
  const char* error = nullptr;
  if (!parse_tga(data, size, &img, &error)) return 0;
  static BitmapFontLayout layout;
  char message[128];
  cut_bitmap_font(img, &layout, message, sizeof(message));
  return 0;
}
