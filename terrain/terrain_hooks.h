#pragma once
// What the ground needs from the layers above it. Terrain never calls upward:
// the sound subsystem and the module host fill these hooks, and an empty hook
// is skipped (the world preview and the terrain tests run without them).
#include <xmmintrin.h>

namespace HeightmapData {

struct LandSoundGroup;

struct TerrainHooks {
  // The module's height of the live ground at a point.
  float (*land_height)(float x, float z) = nullptr;
  // Steam where water meets lava at cell (x, z).
  void (*water_vapor)(int x, int z, float height, float amount) = nullptr;
  // Where the camera hears from; moving ground is grouped in octants around it.
  __m128 (*listener_pos)() = nullptr;
  // Sounds the moving-ground groups of this update (weight in pos_accum's w;
  // a group without weight fades out), and silences all of them.
  void (*play_land_sounds)(LandSoundGroup* groups, int count) = nullptr;
  void (*stop_land_sounds)(LandSoundGroup* groups, int count) = nullptr;
};

extern TerrainHooks terrain_hooks;

}  // namespace HeightmapData
