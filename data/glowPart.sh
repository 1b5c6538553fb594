#version 330 core
// Light particles (fire, sparks, glows), added onto the scene.
#include "fx_particle.inc"
#include "fx_pixel.inc"
