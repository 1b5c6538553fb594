#include "app/game_mode.h"
#include "effects/common_fx.h"
#include <cmath>
#include "app/app_globals.h"
#include "gameobj_host/gameobj_functions.h"
#include "gameobj_host/module_state.h"
#include "app/camera.h"
#include "core/optional_services.h"
#include "render/device.h"
#include "render/land_render.h"
#include "render/postfx.h"
#include "render/render_state.h"
#include "render/scene_render.h"
#include "render/scene_view.h"
#include "render/sky.h"
#include "script/universe.h"
#include "script/world_generation.h"
#include "terrain/heightmap_data.h"

void set_game_mode(GameMode* mode) {
  GameMode* old = cur_game_mode;
  if (mode == old) return;
  if (old) old->leave(mode);
  cur_game_mode = mode;
  if (mode) mode->enter(old);
}

void go_to_main_menu() {
  if (gameobj_functions.close_game_menu) gameobj_functions.close_game_menu();
  release_universe_data();
  generate_world("main_menu");
  set_game_mode(main_menu_mode);
}

GameMode* get_play_mode() { return play_mode; }
GameMode* get_universe_mode() { return universe_mode; }
GameMode* get_warp_mode() { return warp_mode; }

void refresh_universe_screen() {
  if (gameobj_functions.open_universe_gui) gameobj_functions.open_universe_gui();
}

void init_game_modes() {
  optional_services.set_game_mode = &set_game_mode;
  optional_services.reset_fly_control = &reset_fly_control;
  optional_services.set_view_heading = &set_view_heading;
  optional_services.get_universe_mode = &get_universe_mode;
  optional_services.get_play_mode = &get_play_mode;
  optional_services.get_warp_mode = &get_warp_mode;
  optional_services.refresh_universe_screen = &refresh_universe_screen;
}

void close_game_modes() {
  cur_game_mode = nullptr;
  optional_services.set_game_mode = nullptr;
  optional_services.reset_fly_control = nullptr;
  optional_services.set_view_heading = nullptr;
  optional_services.get_universe_mode = nullptr;
  optional_services.get_play_mode = nullptr;
  optional_services.get_warp_mode = nullptr;
  optional_services.refresh_universe_screen = nullptr;
}

void step_world(float dt, bool with_spells_ui) {
  update_sky();
  update_land_render(dt);
  HeightmapData::updateHmap(dt);
  HeightmapData::simWater(dt);
  update_common_fx(dt);
  if (gameobj_functions.update_gameobj) gameobj_functions.update_gameobj(dt);
  if (with_spells_ui && gameobj_functions.update_spells_ui) gameobj_functions.update_spells_ui(dt);
}

void draw_world_view(float dt) {
  Matrix44 itm = get_camera_matrix(dt);
  set_view_tm(rigid_inverse(itm));
  set_proj_tm(get_camera_fov(dt), float(d3d_wd) / float(d3d_ht > 0 ? d3d_ht : 1), CAMERA_NEAR, CAMERA_FAR);
  float k = fminf(fmaxf(dt * UPDATES_PER_SECOND, 0.f), 1.f);
  postfx_frame_tint =
      _mm_add_ps(camera.prevFrameColor, _mm_mul_ps(_mm_sub_ps(cur_frame_color, camera.prevFrameColor), _mm_set1_ps(k)));
  render_scene(dt);
  compose_frame();
}

void refresh_whole_land() {
  if (auto refresh_land = request_land_refresh_service()) refresh_land();
}

bool take_menu_close_request() {
  bool close = should_close_game_menu;
  should_close_game_menu = false;
  return close;
}
