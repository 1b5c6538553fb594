#include "gameobj_host/module_hooks.h"

#include "gameobj_host/gameobj_functions.h"
#include "gameobj_host/module_call_guard.h"
#include "gameobj_host/player_base.h"
#include "gui/gui_hooks.h"
#include "render/render_hooks.h"
#include "render/render_options.h"
#include "script/script_hooks.h"
#include "terrain/terrain_hooks.h"

namespace {

// Steam is only drawn at high quality, so low quality skips the module call.
void module_water_vapor(int x, int z, float height, float amount) {
  if (gfx_quality != 1) return;
  if (gameobj_functions.spawn_water_vapor_fx) gameobj_functions.spawn_water_vapor_fx(x, z, height, amount);
}

void module_draw_building(HeightmapData::Surface* surface, int x, int z) {
  if (gameobj_functions.render_building) gameobj_functions.render_building(surface, x, z);
}

void module_before_new_world() {
  if (gameobj_functions.remove_all_gameobj) gameobj_functions.remove_all_gameobj();
  if (local_player) run_module_code("beforeWorldRegenerate", [] { local_player->beforeWorldRegenerate(); });
}

void module_after_new_world() {
  if (local_player) run_module_code("afterWorldRegenerate", [] { local_player->afterWorldRegenerate(); });
}

}  // namespace

void connect_lower_layers_to_module() {
  HeightmapData::terrain_hooks.water_vapor = &module_water_vapor;
  render_hooks.draw_building = &module_draw_building;
  script_hooks.before_new_world = &module_before_new_world;
  script_hooks.after_new_world = &module_after_new_world;
  // Null while no module is bound: the generators then measure the grid itself,
  // and the rest is skipped.
  HeightmapData::terrain_hooks.land_height = gameobj_functions.get_land_height;
  script_hooks.bind_module_functions = gameobj_functions.bind_gameobj;
  script_hooks.save_module_spells = gameobj_functions.save_spells;
  script_hooks.load_module_spells = gameobj_functions.load_spells;
  gui_hooks.show_tooltip = gameobj_functions.show_tooltip;
  gui_hooks.hide_tooltip = gameobj_functions.hide_tooltip;
}
