#pragma once
// The sound script machine ("sound/sound.nut"): it loads the game's samples
// and music through the functions bound here and leaves a table `events`
// with one function per sound event. Starting, closing and reloading it are
// declared in sound/sound_events.h.
#include <cstdint>
#include "squirrel.h"

// Null while no sound script machine is open.
HSQUIRRELVM get_sound_script_vm();

// Runs the event's script function and returns the channel it gives (not
// yet playing). 0 when the event has no function or the function fails;
// a failure is shown as the on-screen error message. `event` must be a
// valid event number.
unsigned int run_sound_event_script(int event);

// What the last run of the script could not load: "Can't load sound
// files:\n" and one path per line, or "" when everything loaded.
const char* get_sound_load_errors();

// The script's own random numbers (its `game_rnd`): 0..2^31-1, from a state
// copied from game_rnd_seed whenever the machine is created.
int next_sound_script_rnd();
