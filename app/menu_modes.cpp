// The in-game menu and the universe map: the module's screens run, the world
// is frozen.
#include "app/app_globals.h"
#include "app/app_keys.h"
#include "app/camera.h"
#include "app/game_mode.h"
#include "app/world_entry_timing.h"
#include "gameobj_host/gameobj_functions.h"
#include "render/render_state.h"
#include "render/textures.h"
#include "script/world_generation.h"
#include "sound/sound_events.h"

namespace {
void close_menu_screens() {
  if (gameobj_functions.close_game_menu) gameobj_functions.close_game_menu();
}

void update_menu_screens(float dt) {
  if (gameobj_functions.update_game_menu) gameobj_functions.update_game_menu(dt);
}

void draw_menu_screens(float dt) {
  if (gameobj_functions.draw_game_menu) gameobj_functions.draw_game_menu(dt);
}

class GameMenuMode : public GameMode {
public:
  void enter(GameMode* previous) override {
    returnTo = previous;
    if (gameobj_functions.open_game_menu) gameobj_functions.open_game_menu();
  }
  void leave(GameMode*) override { close_menu_screens(); }
  void update(float dt) override {
    begin_camera_update(dt);
    handle_app_keys();
    cur_view_itm = get_camera_matrix(1.f / UPDATES_PER_SECOND);
    update_menu_screens(dt);
    refresh_whole_land();
    if (cur_game_mode == this && take_menu_close_request() && returnTo && returnTo != this) set_game_mode(returnTo);
  }
  void render(float) override { draw_world_view(1.f / UPDATES_PER_SECOND); }
  void renderOverlay(float dt) override { draw_menu_screens(dt); }

private:
  GameMode* returnTo = nullptr;
};

class UniverseMode : public GameMode {
public:
  void enter(GameMode*) override {
    stop_event_sounds();
    if (gameobj_functions.open_universe_gui) gameobj_functions.open_universe_gui();
  }
  void leave(GameMode*) override { close_menu_screens(); }
  void update(float dt) override {
    update_menu_screens(dt);
    if (cur_game_mode == this && take_menu_close_request()) {
      begin_world_entry_timing();
      reset_fly_control();
      generate_world("game");
      note_world_entry_generated();
      set_game_mode(play_mode);
    }
    handle_app_keys();
  }
  void render(float) override {
    set_back_buffer_target();
    clear_view(0x00001133);
  }
  void renderOverlay(float dt) override { draw_menu_screens(dt); }
};

GameMenuMode game_menu_instance;
UniverseMode universe_instance;
}  // namespace

GameMode* game_menu_mode = &game_menu_instance;
GameMode* universe_mode = &universe_instance;
