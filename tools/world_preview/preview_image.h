#pragma once
// A top-down picture of the current terrain: ground colour and overlay with
// hill shading, water and lava drawn over it.
#include <cstdint>
#include <vector>

// RGB bytes, (256 * scale)^2 pixels, row z = 0 first; scale >= 1.
std::vector<uint8_t> render_world_preview(int scale);

// Counts for a one-line description of the terrain.
struct WorldPreviewStats {
  float min_height, max_height;
  int water_cells, lava_cells, house_cells;
};
WorldPreviewStats world_preview_stats();
