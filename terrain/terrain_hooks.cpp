#include "terrain/terrain_hooks.h"

namespace HeightmapData {
TerrainHooks terrain_hooks;
}
