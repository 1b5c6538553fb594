#pragma once
// A hash of the simulated state: terrain, fluids, surface, the game's random
// generator, the camera and the game objects. Two runs of one replay end
// with the same hash; any difference in what they simulated changes it.
#include <cstdint>

uint64_t hash_game_state();
