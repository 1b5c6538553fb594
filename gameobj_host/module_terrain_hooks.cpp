#include "gameobj_host/module_terrain_hooks.h"

#include "app/app_globals.h"
#include "gameobj_host/gameobj_functions.h"
#include "terrain/terrain_hooks.h"

namespace {

// Steam is only drawn at high quality, so low quality skips the module call.
void module_water_vapor(int x, int z, float height, float amount) {
  if (gfx_quality != 1) return;
  if (gameobj_functions.spawn_water_vapor_fx) gameobj_functions.spawn_water_vapor_fx(x, z, height, amount);
}

}  // namespace

void connect_terrain_to_module() {
  HeightmapData::terrain_hooks.water_vapor = &module_water_vapor;
  // Null while no module is bound: the generators then measure the grid itself.
  HeightmapData::terrain_hooks.land_height = gameobj_functions.get_land_height;
}
