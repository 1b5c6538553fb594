// The game's single random generator: a 64-bit linear congruential generator
// (Knuth's MMIX constants). World building and play draw from the same state,
// so a world is a pure function of the seed at the start of its generation.
#pragma once

#include <cstdint>

extern uint64_t game_rnd_seed;

// Advances the state once and returns the new state.
uint64_t advance_rnd();

int hmrnd();       // 0..255: bits 32-39 of the new state
float hmfrnd();    // [0, 256)
float hmsrnd();    // [-128, 128)
int irnd();        // 0..2^31-1: bits 32-62
float frnd();      // [0, 1): bits 32-63 times 2^-32
float srnd();      // [-1, 1)
float rndf(float a, float b);

void set_rnd_seed(int seed);  // sign-extended, no draw
void randomize_rnd_seed();    // from the high-resolution clock, no draw

// A map coordinate reduced into (-128, 128].
float wrap(float x);
