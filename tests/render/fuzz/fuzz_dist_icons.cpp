// libFuzzer entry: an icon atlas description on arbitrary bytes, then
// lookups and a rotated draw of every icon.
#include <cstdint>
#include "render/dist_font.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DistIcons icons;
  char atlas[256];
  if (!icons.parse((const char*)data, size, atlas, sizeof(atlas))) return 0;
  icons.getIconId("fireball");
  icons.getOrgW(-1);
  icons.getOrgH(icons.icons.num);
  RenderBatch batch(1024);
  DistFontBatchState state;
  for (int i = -1; i <= icons.icons.num; i++) {
    icons.getOrgW(i);
    icons.renderIcon(batch, _mm_setr_ps(100, 100, 0.6f, 0.8f), 1.5f, i, 0, 1, 1, 2, 0, 0, 0, 0, 0, &state);
  }
  return 0;
}
