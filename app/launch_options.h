#pragma once
// Start-up settings: defaults, then the settings store, then the command
// line (later arguments win).
#include <cstdint>
#include "core/temp_string.h"

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
  const char* recordPath = nullptr;  // "-record FILE": write the input to FILE
  const char* replayPath = nullptr;  // "-replay FILE": play FILE's input back
  TempString<256> error;             // why the command line was refused
};

// What the automation options take, for the usage message.
extern const char* const LAUNCH_USAGE;

// Resets the launch defaults and the globals they feed (vsync on, no
// anti-aliasing), then reads "flags", "land_shadows" and "gfx_quality".
void read_launch_settings(LaunchOptions* opt);
// Applies the options among args (args[0] is the program and is skipped).
// Unknown arguments are ignored; an automation option with a missing or bad
// value refuses the whole command line: false, with the reason in opt->error.
bool apply_command_line(LaunchOptions* opt, int argc, const char* const* argv);
