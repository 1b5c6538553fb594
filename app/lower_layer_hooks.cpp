#include "app/lower_layer_hooks.h"

#include "app/app_globals.h"
#include "app/game_mode.h"
#include "app/input.h"
#include "app/splash.h"
#include "gui/gui_hooks.h"
#include "render/device.h"
#include "script/script_hooks.h"
#include "script/world_generation.h"
#include "sound/sound_events.h"

namespace {

// The splash shows over the last scene, once there is a device to grab it from.
void keep_scene_for_splash() {
  if (d3d_device_exists()) grab_scene_image();
}

void play_enter_world_sound() { play_sound_event(ENTER_WORLD_SOUND_EVENT); }

bool in_universe_screen() { return cur_game_mode && cur_game_mode == get_universe_mode(); }

}  // namespace

void connect_lower_layers_to_app() {
  script_hooks.show_progress = &show_splash;
  script_hooks.keep_last_scene = &keep_scene_for_splash;
  script_hooks.stop_event_sounds = &stop_event_sounds;
  script_hooks.play_enter_world_sound = &play_enter_world_sound;
  script_hooks.restart_update_clock = &reset_update_time;
  script_hooks.in_universe_screen = &in_universe_screen;
  gui_hooks.next_input_event = &getEvent;
  gui_hooks.mouse_pos = &getMousePos;
  gui_hooks.key_state = &getKeyState;
}
