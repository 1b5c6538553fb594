#pragma once
// Noise that tiles: every function repeats over [0, 1) in x and y, so the
// textures made from it wrap without seams.
#include <cstdint>

class TileableNoise {
public:
  explicit TileableNoise(uint32_t seed) : seed_(seed) {}
  // Gradient noise with `period` lattice cells across the tile, about -1..1.
  float gradient(float x, float y, int period) const;
  // Sum of octaves from `period` up, each twice as fine and `gain` as strong,
  // scaled back to about -1..1.
  float fbm(float x, float y, int period, int octaves, float gain) const;
  // Ridges: 1 at the zero crossings of the octaves, falling off around them.
  float ridged(float x, float y, int period, int octaves) const;
  // Cells around random points (`period` x `period` of them): the distance to
  // the nearest point (f1) and to the second nearest (f2), in cells.
  void cells(float x, float y, int period, float* f1, float* f2) const;

private:
  uint32_t hash(int x, int y, int salt) const;
  uint32_t seed_;
};
