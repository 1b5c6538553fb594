// Terrain generators. The HeightmapData generators (noise, hills, faults,
// craters, houses) are declared with the world data; these are the round
// brushes that work on any caller's grid.
#pragma once

#include "terrain/heightmap_data.h"

// grid += (1 - (d^2/r^2)^exponent) * amount over the disc.
void circle_brush(float cx, float cz, float radius, float amount, float exponent, float* grid);
// Pulls the disc towards level with the same falloff times strength.
void flatten_circle(float cx, float cz, float radius, float level, float strength, float exponent, float* grid);
// (height at the centre + sum over the disc) / (1 + disc cells).
float get_average_circle_height(float cx, float cz, float radius, float* grid);
