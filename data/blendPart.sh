#version 330 core
// Smoke-like particles, blended over the scene by their alpha.
#define FX_BLENDED 1
#include "fx_particle.inc"
#include "fx_pixel.inc"
