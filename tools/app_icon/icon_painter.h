#pragma once
// The game's icon: a volcano under a night sky in a round badge, lava running
// from its glowing crater. Painted at any size from the same shapes.
#include <cstdint>
#include <vector>

// size x size pixels, rows from the top, RGBA bytes with straight alpha
// (transparent outside the badge).
std::vector<uint8_t> paint_app_icon(int size);
