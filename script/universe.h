#pragma once
// The universe held in the world machine: the table of worlds the script's
// generate_universe returned (or a saved game restored), its list of worlds
// and the description of the running game. All three are empty when there
// is no universe (main menu, a single world).
#include "script/sqbind_object.h"

extern sqbind::SqObject universe;
extern sqbind::SqObject worlds;
extern sqbind::SqObject cur_game_info;

// worlds := universe.worlds (throws sqbind::SquirrelError when the universe
// has no "worlds"), then the root slot "universe" := universe.
void fetch_universe_data();
// Root slots "universe" and "cur_world" := null, then releases the three
// handles.
void release_universe_data();

// With a universe: back to the universe map. A single world: a new "game"
// world, then play.
void leave_world();

// IntMap, make_map_index, map_index_x, map_index_z, save_game and
// leave_world in the root table of vm.
void bind_universe(HSQUIRRELVM vm);
