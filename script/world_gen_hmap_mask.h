#pragma once
// HmapMask: a script's scratch height field, one float per terrain cell,
// index (z << 8) | x.
#include "terrain/heightmap_data.h"

struct HmapMask {
  float cells[HeightmapData::HMAP_CELLS];

  float getraw(int x, int z) const { return cells[HeightmapData::cell_index(x, z)]; }
  // Bilinear sample between the four cells around (x, z), wrapping.
  float get(float x, float z) const;
};
