#include <SDL2/SDL.h>
#include <cinttypes>
#include "app/app_globals.h"
#include "app/app_shell.h"
#include "app/frame_loop.h"
#include "app/camera.h"
#include "app/game_mode.h"
#include "app/help_overlay.h"
#include "app/input.h"
#include "app/launch_options.h"
#include "app/screenshot.h"
#include "app/stats_overlay.h"
#include "app/input_record.h"
#include "app/state_hash.h"
#include "app/window.h"
#include "app/world_entry_timing.h"
#include "core/debug.h"
#include "core/ref_time.h"
#include "gameobj_host/gameobj_module.h"
#include "gui/gui_destruction.h"
#include "render/bitmap_font.h"
#include "render/device.h"
#include "render/render_state.h"
#include "render/shaders.h"
#include "render/textures.h"
#include "script/script_machines.h"
#include "sound/sound_events.h"
#include "sound/sound_output.h"
#include "terrain/game_random.h"

namespace {
int quit_after_updates = 0;
int updates_run = 0;
int shot_updates[LaunchOptions::MAX_SHOTS];
int shot_count = 0;

int resize_update = 0, resize_width = 0, resize_height = 0;

// The window's new size reaches the device through the window's own resize
// event, the way a player's drag does.
void resize_after_update(int update) {
  if (update != resize_update || !main_window) return;
  debug("resizing the window to %dx%d", resize_width, resize_height);
  SDL_SetWindowSize(main_window, resize_width, resize_height);
}

// A frame of the state right after the update, drawn outside the loop so
// that catch-up updates can't skip it, then saved.
bool drawing_shot = false;

void take_shots_after_update(int update) {
  for (int i = 0; i < shot_count; i++) {
    if (shot_updates[i] != update) continue;
    bool limit = d3d_limit_buffered_frames;
    d3d_limit_buffered_frames = false;
    // An extra frame for the picture, not one a recording replays.
    drawing_shot = true;
    bool drawn = draw_frame(time_dt);
    drawing_shot = false;
    d3d_limit_buffered_frames = limit;
    if (drawn) take_update_screenshot(update);
    return;
  }
}

// The game's side of the loop.
class GameLoopHost : public FrameLoopHost {
public:
  int64_t now() override { return get_ref_time(); }
  int64_t frequency() override { return get_ref_frequency(); }
  void pumpMessages() override { pump_messages(); }
  bool quitRequested() override { return is_quit_requested(); }
  void update(float dt) override {
    record_window_state();
    update_frame(dt);
    clear_input();
    note_update_done();
    updates_run++;
    take_shots_after_update(updates_run);
    resize_after_update(updates_run);
    if (quit_after_updates > 0 && updates_run >= quit_after_updates) request_quit();
  }
  bool draw(float dt) override { return draw_frame(dt); }
  void present() override {
    present_frame();
    note_world_entry_frame_presented();
  }
  bool deviceUsable() override { return check_d3d_device(); }
  void sleepMsec(int ms) override { SDL_Delay(Uint32(ms)); }
  int gpuLoad() override { return -1; }  // no GPU-load monitor
  void oncePerSecond() override {
    reload_shaders(false);
    if (is_gameobj_module_loaded() && reload_gameobj(false)) rebind_gameobj_script();
    reload_changed_scripts();
  }
};
}  // namespace

void set_update_rate(int rate, int max_catch_up) { main_frame_loop.setUpdateRate(rate, max_catch_up); }
void set_quit_after_updates(int updates) {
  quit_after_updates = updates;
  updates_run = 0;
}

void set_shots_at_updates(const int* updates, int count) {
  shot_count = count < LaunchOptions::MAX_SHOTS ? count : LaunchOptions::MAX_SHOTS;
  for (int i = 0; i < shot_count; i++) shot_updates[i] = updates[i];
}
void set_resize_after_update(int update, int width, int height) {
  resize_update = update;
  resize_width = width;
  resize_height = height;
}
void reset_update_time() { main_frame_loop.resetUpdateTime(get_ref_time()); }

namespace {
// A replay runs the recorded frames and updates in their order, as fast as
// it can: the clock decides nothing.
void run_replay_loop(FrameLoopHost& host) {
  const float step = 1.f / UPDATES_PER_SECOND;
  // Every recorded frame is drawn, never skipped for a busy GPU.
  d3d_limit_buffered_frames = false;
  for (int update = get_update_count() + 1; !host.quitRequested(); update++) {
    host.pumpMessages();
    bool drew = false;
    while (const ReplayItem* item = next_replay_item(update)) {
      if (item->kind != REPLAY_FRAME) {
        apply_replay_item(*item);
        continue;
      }
      time_dt = item->x;
      time_ik = time_dt / step;
      if (host.draw(time_dt)) host.present();
      drew = true;
    }
    // Past the end of the recording, one frame per update.
    if (!drew && replay_exhausted() && update > 1) {
      time_dt = step / 2;
      time_ik = 0.5f;
      if (host.draw(time_dt)) host.present();
    }
    time_dt = step;
    time_ik = 1.f;
    host.update(step);
    if (update % int(UPDATES_PER_SECOND) == 0) host.oncePerSecond();
  }
}

// The listener hears from the camera, moving as it moved in this update.
void move_listener_with_camera() {
  Matrix44 start = get_camera_matrix(0);
  __m128 start_pos = matrix_row(start, 3);
  alignas(16) float d[4];
  _mm_store_ps(d, _mm_sub_ps(camera.pos, start_pos));
  d[0] = wrap(d[0]);
  d[2] = wrap(d[2]);
  d[3] = 0.f;
  __m128 velocity = _mm_mul_ps(_mm_load_ps(d), _mm_set1_ps(UPDATES_PER_SECOND));
  set_listener_pos(camera.pos, velocity, matrix_row(start, 2), matrix_row(start, 1));
  update_event_sounds(start_pos);
}
}  // namespace

void run_frame_loop() {
  GameLoopHost host;
  bool replay = is_replaying_input();
  if (replay)
    run_replay_loop(host);
  else
    main_frame_loop.run(host);
  clear_input();
  if (replay || is_recording_input())
    debug("state hash after %d updates: %016" PRIx64, get_update_count(), hash_game_state());
}

void update_frame(float dt) {
  tend_gameobj_module(dt);
  if (cur_game_mode) cur_game_mode->update(dt);
  move_listener_with_camera();
  apply_3d_sound();
  destroy_queued_gui_elements();
  if (force_gameobj_reload) {
    force_gameobj_reload = false;
    reload_gameobj(true);
    rebind_gameobj_script();
  }
  main_frame_loop.noteUpdateEnd(get_ref_time());
}

bool draw_frame(float dt) {
  tend_gameobj_module(0.f);
  if (!d3d_device_exists() || !begin_scene()) return false;
  if (!drawing_shot) {
    record_window_state();
    record_frame(dt);
  }
  if (cur_game_mode) {
    cur_game_mode->render(dt);
    if (!drawing_shot) note_world_entry_frame_drawn();
    set_back_buffer_target();
    cur_game_mode->renderOverlay(dt);
  } else {
    // Nothing to show yet: the splash colour rather than stale pixels.
    set_back_buffer_target();
    clear_view(0x00001133);
  }
  start_draw_text();
  draw_error_message();
  draw_visual_log();
  draw_help_overlay();
  if (show_fps) draw_stats();
  end_draw_text();
  end_scene();
  return true;
}
