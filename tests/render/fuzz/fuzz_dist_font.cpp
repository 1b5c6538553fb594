// libFuzzer entry: a distance-field font description on arbitrary bytes,
// then layout and batching of every code, as the screens would draw.
#include <cstdint>
#include "render/dist_font.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DistFont font;
  char atlas[256];
  if (!font.parse((const char*)data, size, atlas, sizeof(atlas))) return 0;
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
  return 0;
}
