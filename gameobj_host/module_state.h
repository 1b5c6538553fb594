#pragma once
// Values of the module kept in the engine so they survive a module reload.
// (The steam bookkeeping value is HeightmapData::water_vapor_accum.)
#include "core/dyn_array.h"

struct Spell;

extern bool spells_ui_active;
extern bool need_game_restart;
extern bool should_close_game_menu;  // the module asks the menu modes to leave
extern int crosshair_type;

// The spell bar's grid, spell_grid_nx columns by spell_grid_ny rows.
extern DynArray<Spell*> spell_grid;
extern int spell_grid_nx;
extern int spell_grid_ny;
