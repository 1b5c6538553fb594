#pragma once
// What scripting needs from the layers above it. Script never calls upward:
// the app fills its entries at start-up, the module host fills the module's
// at every bind and unbind, and an empty hook is skipped (the tools and the
// script tests run without some or all of them).
struct SQVM;

struct ScriptHooks {
  // Long work's progress, shown at once: a text and 0..1 (negative: no bar).
  void (*show_progress)(const char* text, float progress) = nullptr;
  // Keeps the last drawn scene as the background the progress shows over.
  void (*keep_last_scene)() = nullptr;
  // The old world's objects go and the player hears of the change, before
  // the terrain is reset.
  void (*before_new_world)() = nullptr;
  // The player hears of the new world once it is in place.
  void (*after_new_world)() = nullptr;
  void (*stop_event_sounds)() = nullptr;
  void (*play_enter_world_sound)() = nullptr;
  // The game's update clock starts again, so a long generation is not
  // caught up afterwards.
  void (*restart_update_clock)() = nullptr;
  // Whether the universe screen is the current game mode.
  bool (*in_universe_screen)() = nullptr;
  // The module's functions, bound into a script machine.
  void (*bind_module_functions)(SQVM* vm) = nullptr;
  // The module's spells, saved and loaded with a game.
  void (*save_module_spells)() = nullptr;
  void (*load_module_spells)() = nullptr;
};

extern ScriptHooks script_hooks;
