#include "app/app_keys.h"
#include <algorithm>
#include "app/app_globals.h"
#include "app/game_mode.h"
#include "app/input.h"
#include "app/screenshot.h"
#include "core/debug.h"
#include "gameobj_host/gameobj_functions.h"
#include "script/world_generation.h"
#include "sound/sound_events.h"
#include "terrain/heightmap_data.h"

namespace {
constexpr unsigned DEV_EROSION_DROPLETS = 92160;

void call_module(void (*fn)()) {
  if (fn) fn();
}

void toggle_sound_logging() {
  toggle_sound_event_logging();
  if (is_sound_event_logging())
    visual_log("logging sound events");
  else
    clear_visual_log();
}
}  // namespace

void erode_land() {
  HeightmapData::ErosionParams params;
  params.Kq = 0.1f;
  params.Kw = 0.001f;
  params.Kr = 0.9f;
  params.Kd = 0.9f;
  params.Ki = 0.1f;
  params.minSlope = 0.05f;
  params.g = 20.f;
  params.depositBlend = 2.f;
  params.reactionTime = 100.f;
  HeightmapData::genDropletErosion(DEV_EROSION_DROPLETS, params);
  // The eroded land becomes the target, so the ground morphs into it.
  std::swap_ranges(HeightmapData::hmap, HeightmapData::hmap + HeightmapData::HMAP_CELLS, HeightmapData::target_hmap);
  refresh_whole_land();
  reset_update_time();
}

void handle_app_keys() {
  if (!isAppActive) return;
  if (keyUp(VK_SNAPSHOT)) take_screenshot();
  if (keyDown(VK_F1)) show_fps = !show_fps;
  // Low quality has no post-effect shaders to switch on.
  if (keyDown(VK_F5) && gfx_quality == 1) use_postfx = !use_postfx;
  if (keyDown(VK_F6)) use_ppaa = !use_ppaa;
  if (keyDown(VK_F9)) set_game_mode(cur_game_mode == dev_mode ? play_mode : dev_mode);
  if (keyDown(VK_ESCAPE) && cur_game_mode != main_menu_mode) set_game_mode(game_menu_mode);
  handle_dev_keys();
}

void handle_dev_keys() {
  bool ctrl = getKeyState(VK_CONTROL);
  if (cur_game_mode != dev_mode && !ctrl) return;
  if (keyDown('G')) generate_world(cur_game_mode == main_menu_mode ? "main_menu" : "game");
  if (keyDown('H')) HeightmapData::addWaterEverywhere(1.f);
  if (keyDown('R')) erode_land();
  if (!ctrl) return;
  if (keyDown('M')) call_module(gameobj_functions.toggle_monster_spawn);
  if (keyDown('N')) call_module(gameobj_functions.toggle_mana_cheat);
  if (keyDown(VK_F12)) {
    set_game_mode(game_menu_mode);
    call_module(gameobj_functions.open_cheat_menu);
  }
  if (keyDown(VK_F3)) toggle_sound_logging();
}
