#pragma once
// Building a new world by running the world script's generate_world.
#include "squirrel.h"

// Sound event played when a new world is in place.
constexpr int ENTER_WORLD_SOUND_EVENT = 1;

// Clears the game objects, sounds and terrain, runs the script function
// generate_world(kind) of machine vm, and leaves the terrain consistent for
// play (morph target and fluid copy equal to the new grids) even when the
// script fails; a script error is shown on screen.
void generate_world_in(HSQUIRRELVM vm, const char* kind);
