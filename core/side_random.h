// A small generator for what the player sees and hears but the game's state
// does not depend on (sound loop offsets, flow patterns). Drawing from the
// game's generator there would make a world or a replay depend on how many
// frames were drawn or when the sound card finished a sound.
#pragma once

#include <cstdint>

struct SideRandom {
  uint32_t state = 0x9e3779b9u;

  // [0, 1), xorshift.
  float next01() {
    uint32_t x = state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    state = x;
    return float(x >> 8) * (1.f / 16777216.f);
  }
};
