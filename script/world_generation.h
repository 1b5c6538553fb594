#pragma once
// Building a new world by running the world script's generate_world.
#include "squirrel.h"

class SqReloadableVM;

// Sound event played when a new world is in place.
constexpr int ENTER_WORLD_SOUND_EVENT = 1;

// Clears the game objects, sounds and terrain, runs the script function
// generate_world(kind) of machine vm, and leaves the terrain consistent for
// play (morph target and fluid copy equal to the new grids) even when the
// script fails; a script error is shown on screen.
void generate_world_in(HSQUIRRELVM vm, const char* kind);
// The same on the world machine (kinds "game" and "main_menu").
void generate_world(const char* kind);

// Releases the universe, runs the world machine's generate_universe() and
// makes its result the universe, with a new game description
// (cur_game_info.name = "Started <date> <time> in v0.17 DEMO"). A script
// error is shown on screen.
void generate_universe();

// For programs without the game around it (preview, benchmarks): opens rvm
// with the world-generation and universe bindings, in the world machine's
// order, and runs mainFile in it. False, after
// printing why, when the machine or the script fails.
bool open_world_gen_machine(SqReloadableVM& rvm, const char* mainFile);
