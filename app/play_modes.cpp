// Play and development mode: the world runs, the camera flies under the
// player's controls (play) or freely (development).
#include "app/app_globals.h"
#include "app/app_keys.h"
#include "app/camera.h"
#include "app/fly_control.h"
#include "app/game_mode.h"
#include "app/input.h"
#include "gameobj_host/gameobj_functions.h"
#include "render/sky.h"
#include "sound/music.h"

namespace {
class PlayGameMode : public GameMode {
public:
  void enter(GameMode*) override {
    reset_fly_control();
    play_script_music("music_game");
  }
  void leave(GameMode*) override {}
  void update(float dt) override {
    begin_camera_update(dt);
    update_play_control(dt);
    cur_view_itm = get_camera_matrix(1.f / UPDATES_PER_SECOND);
    handle_app_keys();
    step_world(dt, true);
  }
  void render(float dt) override {
    update_play_mouse(dt);
    draw_world_view(dt);
  }
  void renderOverlay(float dt) override {
    if (gameobj_functions.draw_spells_ui) gameobj_functions.draw_spells_ui(dt);
  }
};

class DevGameMode : public GameMode {
public:
  void enter(GameMode*) override {
    camera.roll = 0.f;
    camera.mouseCaptured = false;
  }
  void leave(GameMode*) override {}
  void update(float dt) override {
    begin_camera_update(dt);
    update_dev_control(dt);
    cur_view_itm = get_camera_matrix(1.f / UPDATES_PER_SECOND);
    handle_app_keys();
    // The right mouse button puts the sun where the camera looks.
    if (getKeyState(VK_RBUTTON)) set_sun_dir(matrix_row(get_camera_matrix(0), 2), true);
    step_world(dt, false);
  }
  void render(float dt) override {
    update_dev_mouse(dt);
    draw_world_view(dt);
  }
  void renderOverlay(float dt) override {
    if (gameobj_functions.render_dev_world_map) gameobj_functions.render_dev_world_map(dt);
  }
};

PlayGameMode play_instance;
DevGameMode dev_instance;
}  // namespace

GameMode* play_mode = &play_instance;
GameMode* dev_mode = &dev_instance;
