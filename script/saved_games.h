#pragma once
// Saved games: the game description and the universe of the running game,
// written with save_data into a numbered slot folder under the player's
// application-data folder, and read back into the world machine.
#include <cstdint>
#include "core/paths.h"
#include "core/temp_string.h"

// Leading word(s) of both slot files: "info" has it twice, "uni" once.
constexpr uint32_t SAVED_GAME_HEADER = 0x13110400;

// Slot of the running game; -1 for none. Loading sets it, saving uses it.
extern int cur_game_slot;

// Key of the game world in play (a checksum of its heights as generated);
// 0 when no game world is. A save holds that world's grids under its key.
extern uint64_t cur_world_key;

// After a game world is generated: sets cur_world_key and, when the game
// loaded last saved this very world, puts back the grids it was saved with.
// Only the first world generated after a load may take them. True when it did.
bool restore_saved_world(uint64_t key);

// The slot folder's file name (an empty name gives the folder, with a
// trailing "/"); empty when the path would be too long.
FsPath saved_game_path(int slot, const char* name);

// Writes cur_game_info and universe (and the grids of the world in play)
// into cur_game_slot. The pair is written
// into a fresh folder, flushed to the disk, and replaces the slot's folder in
// one step, so a failure, a crash or a power loss leaves the previous pair or
// the new one, never a mix. Each file ends with a CRC-32 the loader checks.
// Refused without a universe (such a save could not be loaded) and for a
// slot folder that is a link (replacing it would take the linked folder's
// other files along). False (with the error on screen) on failure.
bool save_game();
// Replaces the universe with the one saved in slot, after finishing or
// dropping a save a crash interrupted; false (with the error on screen) for
// a damaged pair or one that is not a game's (a description table and a
// universe table with a worlds array). A failed load leaves the running
// game, its universe and cur_game_slot as they were.
bool load_saved_game(int slot);
// The "name" stored in the slot's game description; empty for a missing or
// unreadable slot. Never shows an error.
TempString<260> get_saved_game_name(int slot);
