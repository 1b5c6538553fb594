#include "tools/font_atlas/shelf_packer.h"
#include <algorithm>
#include <numeric>

int pack_shelves(std::vector<PackRect>& rects, int atlas_width, int margin) {
  std::vector<size_t> order(rects.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return rects[a].h > rects[b].h; });
  int x = margin, y = margin, shelf_h = 0;
  for (size_t i : order) {
    PackRect& r = rects[i];
    if (r.w + 2 * margin > atlas_width) return 0;
    if (x + r.w + margin > atlas_width) {
      x = margin;
      y += shelf_h + margin;
      shelf_h = 0;
    }
    r.x = x;
    r.y = y;
    x += r.w + margin;
    shelf_h = std::max(shelf_h, r.h);
  }
  int used = y + shelf_h + margin, height = 1;
  while (height < used) height *= 2;
  return height;
}
