#pragma once
// Start-up settings: defaults, then the settings store, then the command
// line (later arguments win).
#include <cstdint>

struct LaunchOptions {
  bool startFullscreen = false;
  int width = 0, height = 0;  // requested client size; 0 = not given
  // Automation, beyond the player's options.
  int quitAfterUpdates = 0;   // "-quit-after N": quit after N updates (0 = never)
  bool fixedSeed = false;     // "-seed N": start from a known game_rnd_seed
  uint64_t seed = 0;
  // "-shot-at N" (repeatable): a screenshot of the frame after update N.
  static constexpr int MAX_SHOTS = 32;
  int shotAt[MAX_SHOTS] = {};
  int shotCount = 0;
};

// Resets the launch defaults and the globals they feed (vsync on, no
// anti-aliasing), then reads "flags", "land_shadows" and "gfx_quality".
void read_launch_settings(LaunchOptions* opt);
// Applies the options among args (args[0] is the program and is skipped).
void apply_command_line(LaunchOptions* opt, int argc, const char* const* argv);
