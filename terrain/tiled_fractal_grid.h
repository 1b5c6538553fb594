// A tiled fractal noise sum (no ramp) sampled on the 256 x 256 lattice, with
// every row's and column's circle mapping computed once per octave instead of
// once per cell. sample(kx, kz) equals
// tiled_fractal_noise2(octaves, nullptr, start(kx), start(kz), period, persistence)
// bit for bit.
#pragma once

#include "terrain/noise.h"

class TiledFractalGrid {
 public:
  static constexpr int MAX_CACHED_OCTAVES = 16;

  template <typename StartCoord>
  TiledFractalGrid(int octaves, float persistence, float period, StartCoord&& start)
      : octaves_(octaves), persistence_(persistence), period_(period) {
    for (int k = 0; k < 256; ++k) start_[k] = start(k);
    if (!cached()) return;
    for (int k = 0; k < 256; ++k) {
      float v = start_[k], p = period;
      for (int o = 0; o < octaves; ++o) {
        if (o > 0) {
          v = next_octave_coord(v);
          p *= 2.0f;
        }
        coord_[o][k] = torus_coord(v, p);
      }
    }
  }

  float sample(int kx, int kz) const {
    if (!cached()) return tiled_fractal_noise2(octaves_, nullptr, start_[kx], start_[kz], period_, persistence_);
    return fractal_sum(
        octaves_, persistence_, [](float v) { return v; },
        [&](int o) {
          const TorusCoord& cx = coord_[o][kx];
          const TorusCoord& cz = coord_[o][kz];
          return noise4(cx.c, cz.c, cx.s, cz.s);
        });
  }

 private:
  bool cached() const { return octaves_ >= 1 && octaves_ <= MAX_CACHED_OCTAVES; }

  int octaves_;
  float persistence_;
  float period_;
  float start_[256];
  TorusCoord coord_[MAX_CACHED_OCTAVES][256];
};
