#pragma once
// Start-up settings: defaults, then the settings store, then the command
// line (later arguments win).
#include <cstdint>
#include <cstdio>
#include "core/temp_string.h"

// What the command line asks the program to do.
enum LaunchRequest { LAUNCH_PLAY, LAUNCH_HELP, LAUNCH_VERSION };

struct LaunchOptions {
  bool startFullscreen = false;
  int width = 0, height = 0;  // requested client size; 0 = not given
  // The stored fullscreen resolution ("fullscreen_size"); 0 x 0: the desktop's.
  int fullscreenWidth = 0, fullscreenHeight = 0;
  // Automation, beyond the player's options.
  int quitAfterUpdates = 0;   // "-quit-after N": quit after N updates (0 = never)
  bool fixedSeed = false;     // "-seed N": start from a known game_rnd_seed
  uint64_t seed = 0;
  // "-shot-at N" (repeatable): a screenshot of the frame after update N.
  static constexpr int MAX_SHOTS = 32;
  int shotAt[MAX_SHOTS] = {};
  int shotCount = 0;
  // "-resize-at UPDATE:WIDTHxHEIGHT": the window takes this client size after
  // update UPDATE (0 = no resize), as a player dragging its border would.
  int resizeAt = 0, resizeWidth = 0, resizeHeight = 0;
  const char* recordPath = nullptr;  // "-record FILE": write the input to FILE
  const char* replayPath = nullptr;  // "-replay FILE": play FILE's input back
  // Arguments the game does not know (launchers add their own); the first
  // MAX_UNKNOWN are kept for the warning, all are counted.
  static constexpr int MAX_UNKNOWN = 8;
  const char* unknown[MAX_UNKNOWN] = {};
  int unknownCount = 0;
  TempString<256> error;             // why the command line was refused
};

// Resets the launch defaults and the globals they feed (vsync on, no
// anti-aliasing), then reads "flags", "land_shadows", "gfx_quality" and
// "fullscreen_size" ("WIDTHxHEIGHT"; anything else is the desktop's size).
void read_launch_settings(LaunchOptions* opt);
// Applies the options among args (args[0] is the program and is skipped).
// Unknown arguments are listed in opt->unknown and otherwise ignored; an
// option with a missing or bad value refuses the whole command line: false,
// with the reason in opt->error.
bool apply_command_line(LaunchOptions* opt, int argc, const char* const* argv);

// "--help"/"-h" or "--version" anywhere among the options (not as the value
// of another option); the first one wins. Needs no settings, so it can be
// answered before anything starts.
LaunchRequest find_launch_request(int argc, const char* const* argv);
// The usage line and every option with a line of explanation.
void print_launch_help(FILE* out);
// The warning for the unknown arguments, naming each, or nothing.
void warn_unknown_options(const LaunchOptions& opt, FILE* out);
