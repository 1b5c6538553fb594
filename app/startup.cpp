#include <SDL2/SDL.h>
#include <cinttypes>
#include "app/app_globals.h"
#include "app/app_shell.h"
#include "app/controls.h"
#include "app/camera.h"
#include "app/frame_loop.h"
#include "app/game_mode.h"
#include "app/input.h"
#include "app/scene_passes.h"
#include "app/input_record.h"
#include "app/launch_options.h"
#include "app/lower_layer_hooks.h"
#include "app/splash.h"
#include "app/warp_mode.h"
#include "app/window.h"
#include "core/debug.h"
#include "core/optional_services.h"
#include "core/paths.h"
#include "core/ref_time.h"
#include "debug/debug_vis.h"
#include "effects/common_fx.h"
#include "gameobj_host/gameobj_functions.h"
#include "gameobj_host/gameobj_module.h"
#include "gameobj_host/module_folders.h"
#include "gui/gui_runtime.h"
#include "gui/ui_image.h"
#include "render/bitmap_font.h"
#include "gameobj_host/player_base.h"
#include "render/device.h"
#include "render/dist_font.h"
#include "render/dyn_vb_writer.h"
#include "render/mesh.h"
#include "render/land_render.h"
#include "render/postfx.h"
#include "render/scene_render.h"
#include "render/shadows.h"
#include "render/sky.h"
#include "render/scene_image.h"
#include "core/settings.h"
#include "render/textures.h"
#include "script/world_script_init.h"
#include "sound/land_sounds.h"
#include "sound/sound_events.h"
#include "sound/sound_output.h"
#include "terrain/game_random.h"
#include "gameobj_host/module_call_guard.h"

namespace {
int64_t process_start_time = 0;
bool systems_up = false;

// The module's entry points are skipped while no module is bound.
void call_module(void (*fn)()) {
  if (fn) fn();
}
}  // namespace

// The game's subsystems, started in this order. Each later subsystem adds
// its start here and its stop to close_game.
void init_game() {
  connect_lower_layers_to_app();
  set_update_rate(20, 5);
  init_controls();
  init_sound(true);
  init_sound_script();
  connect_land_sounds();
  set_listener_3d_factors(1.f, 1.f, 1.f);
  debug("Graphics quality: %s", gfx_quality_name[gfx_quality]);
  if (!create_scene_image()) fatal("can't create scene image texture");
  // Low quality has no deferred scene and no post-effects.
  if (gfx_quality == 1)
    init_deferred_scene();
  else
    use_postfx = false;
  init_sky();
  init_land_render();
  show_splash("Creating post-effect textures", -1.f);
  init_postfx();
  set_scene_passes(game_scene_passes());
  init_warp_effect();
  init_debug_vis();
  debug("game_rnd_seed=%" PRIu64 ";", game_rnd_seed);
  setMousePos(float(d3d_wd / 2), float(d3d_ht / 2));
  load_ui_fonts();
  init_gui_runtime();
  choose_gameobj_folders();
  load_gameobj_module(gameobj_folders.sources.str[0] ? gameobj_folders.sources.c_str() : nullptr, "main.ls");
  call_module(gameobj_functions.init_inst_render);
  init_common_fx();
  init_shadows();
  call_module(gameobj_functions.init_new_gui);
  call_module(gameobj_functions.init_spells_ui);
  init_ui_image_state(ui_image_state, nullptr, nullptr);
  call_module(gameobj_functions.init_gameobj);
  init_game_modes();
  init_world_script();
  go_to_main_menu();
  if (local_player) {
    __m128 p;
    if (run_module_code("Player::getPos", [&] { local_player->getPos(&p); })) set_camera_pos(p);
  }
  report_missing_services();
}

void close_game() {
  // The modes' own leave steps would reopen what is closing here.
  close_game_modes();
  call_module(gameobj_functions.close_game_menu);
  call_module(gameobj_functions.remove_all_gameobj);
  close_world_script();
  call_module(gameobj_functions.close_spells_ui);
  call_module(gameobj_functions.close_gameobj);
  unload_gameobj_module();
  close_gui_runtime();
  close_shadows();
  free_all_meshes();
  close_common_fx();
  close_debug_vis();
  close_warp_effect();
  close_postfx();
  close_land_render();
  close_sky();
  close_deferred_scene();
  release_scene_image();
  forget_splash_background();
  close_sound_script();
  close_sound();
}

void after_device_reset() {
  scene_after_reset();
  update_font_scale();
  request_land_refresh();
  call_module(gameobj_functions.spells_ui_after_resize);
}

void close_all() {
  debug("closing...");
  if (systems_up) close_game();
  systems_up = false;
  release_ui_fonts();
  close_bitmap_font();
  common_vb_writer.release();
  close_d3d();
  clear_input();
  stop_input_recording();
  end_input_replay();
  // The window and SDL end with the process: closing them would unload the
  // GL driver, whose own allocations then read as leaks in checked builds.
  debug("closed all systems");
}

int app_main(int argc, char** argv) {
  process_start_time = get_ref_time();
  // Answered before anything starts or is logged.
  switch (find_launch_request(argc, argv)) {
    case LAUNCH_HELP:
      print_launch_help(stdout);
      return 0;
    case LAUNCH_VERSION:
      printf("%s\n", GAME_TITLE);
      return 0;
    case LAUNCH_PLAY:
      break;
  }
  init_app_path();
  debug("app path: '%s'", app_path);
  LaunchOptions opt;
  // Apart from an automation seed, every run starts from a new seed.
  game_rnd_seed = uint64_t(get_ref_time());
  int64_t start = get_ref_time();

  read_launch_settings(&opt);
  int scale;
  if (get_config_int_in_range("render_scale", SCENE_SCALE_MIN, 100, &scale)) scene_render_scale = scale;
  if (!apply_command_line(&opt, argc, argv)) {
    fprintf(stderr, "ember_hollows: %s\n", opt.error.str);
    print_launch_help(stderr);
    return 2;
  }
  // Launchers pass options of their own: the game still starts.
  warn_unknown_options(opt, stderr);
  if (opt.fixedSeed) game_rnd_seed = opt.seed;
  if (opt.replayPath) {
    TempString<512> error;
    if (!load_input_replay(opt.replayPath, &game_rnd_seed, &error)) {
      fprintf(stderr, "%s\n", error.str);
      return 2;
    }
    debug("replaying input from '%s'", opt.replayPath);
  }
  if (opt.recordPath && !start_input_recording(opt.recordPath, game_rnd_seed)) return 2;
  set_quit_after_updates(opt.quitAfterUpdates);
  set_shots_at_updates(opt.shotAt, opt.shotCount);
  set_resize_after_update(opt.resizeAt, opt.resizeWidth, opt.resizeHeight);

  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    debug("can't start SDL video: %s", SDL_GetError());
    stop_input_recording();
    return 1;
  }
  isFullscreen = opt.startFullscreen;
  set_shutdown_hook(close_all);

  if (!create_main_window(&opt)) {
    stop_input_recording();
    SDL_Quit();
    return 1;
  }
  start_input(main_window);
  if (!init_d3d(main_window, opt.width, opt.height)) {
    debug("can't start the render device");
    close_all();
    SDL_Quit();
    return 1;
  }
  set_device_reset_hook(after_device_reset);
  if (isFullscreen) SDL_SetWindowGrab(main_window, SDL_TRUE);
  common_vb_writer.init(COMMON_VB_SIZE);
  init_bitmap_font();
  show_splash("Loading...", -1.f);
  debug("first frame presented: %d ms", get_time_msec(get_ref_time() - process_start_time));

  systems_up = true;
  init_game();
  debug("total start-up time: %d ms", get_time_msec(get_ref_time() - start));
  debug("free video memory: %u MB", get_free_texmem() >> 20);

  run_frame_loop();
  close_all();
  set_shutdown_hook(nullptr);
  return 0;
}
