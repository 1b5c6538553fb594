#include "tests/render/fuzz/exercise_fonts.h"
#include "render/bitmap_font.h"
#include "render/dist_font.h"
#include "render/tga_reader.h"

void exercise_dist_font(const uint8_t* data, size_t size) {
  DistFont font;
  char atlas[256];
  if (!font.parse((const char*)data, size, atlas, sizeof(atlas))) return;
  // Every code, then a line feed and a repeat, laid out and batched.
  char text[258];
  for (int i = 0; i < 256; i++) text[i] = char(i == 0 ? 'A' : i);
  text[256] = 'A';
  text[257] = 0;
  int count = 0;
  font.calcTextBox(text, 257, &count);
  RenderBatch batch(1024);
  DistFontBatchState state;
  font.renderText(batch, _mm_setr_ps(0, 0, 640, 480), 0, 0xFFFFFFFF, 20, text, 257, 0, 2, 2, 1, 0xFF000000, &state);
  font.renderText(batch, _mm_setr_ps(0, 0, 640, 480), 5, 0xFFFFFFFF, 0, "A\nB", -1, 0, 0, 0, 0, 0, &state);
}

void exercise_dist_icons(const uint8_t* data, size_t size) {
  DistIcons icons;
  char atlas[256];
  if (!icons.parse((const char*)data, size, atlas, sizeof(atlas))) return;
  icons.getIconId("fireball");
  RenderBatch batch(1024);
  DistFontBatchState state;
  for (int i = -1; i <= icons.icons.num; i++) {
    icons.getOrgW(i);
    icons.getOrgH(i);
    icons.renderIcon(batch, _mm_setr_ps(100, 100, 0.6f, 0.8f), 1.5f, i, 0, 1, 1, 2, 0, 0, 0, 0, 0, &state);
  }
}

void exercise_tga(const uint8_t* data, size_t size) {
  TgaImage img;
  const char* error = nullptr;
  if (!parse_tga(data, size, &img, &error)) return;
  static BitmapFontLayout layout;
  char message[128];
  cut_bitmap_font(img, &layout, message, sizeof(message));
}
