// FNV-1a checksums of the world grids, for golden checks that a faster
// routine still builds the very same world.
#pragma once

#include <cstddef>
#include <cstdint>

#include "terrain/game_random.h"
#include "terrain/heightmap_data.h"

inline uint64_t fnv1a(const void* data, size_t bytes, uint64_t h = 0xcbf29ce484222325ULL) {
  const unsigned char* p = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < bytes; ++i) h = (h ^ p[i]) * 0x100000001b3ULL;
  return h;
}

// Heights, surfaces and the random state.
inline uint64_t world_checksum() {
  using namespace HeightmapData;
  uint64_t h = fnv1a(hmap, sizeof hmap);
  h = fnv1a(surface, sizeof surface, h);
  return fnv1a(&game_rnd_seed, sizeof game_rnd_seed, h);
}

// The world and its fluid, with the copy a fluid step leaves behind.
inline uint64_t fluid_world_checksum() {
  using namespace HeightmapData;
  uint64_t h = fnv1a(water, sizeof water, world_checksum());
  return fnv1a(tmpw, sizeof tmpw, h);
}
