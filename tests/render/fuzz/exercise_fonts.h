#pragma once
// What the font fuzzers do with one input, shared with the test that
// replays their findings: parse, then use the result as the game would.
#include <cstddef>
#include <cstdint>

void exercise_dist_font(const uint8_t* data, size_t size);
void exercise_dist_icons(const uint8_t* data, size_t size);
void exercise_tga(const uint8_t* data, size_t size);
