// A tiled fractal noise sum (no ramp) sampled on the 256 x 256 lattice, with
// every row's and column's circle mapping computed once per octave instead of
// once per cell. sample(kx, kz) equals
// tiled_fractal_noise2(octaves, nullptr, start(kx), start(kz), period, persistence)
// bit for bit; sample4 gives the same for kx .. kx + 3.
#pragma once

#include <xmmintrin.h>

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
        TorusCoord tc = torus_coord(v, p);
        cos_[o][k] = tc.c;
        sin_[o][k] = tc.s;
      }
    }
  }

  float sample(int kx, int kz) const {
    if (!cached()) return tiled_fractal_noise2(octaves_, nullptr, start_[kx], start_[kz], period_, persistence_);
    return fractal_sum(
        octaves_, persistence_, [](float v) { return v; },
        [&](int o) { return noise4(cos_[o][kx], cos_[o][kz], sin_[o][kx], sin_[o][kz]); });
  }

  // Columns kx .. kx + 3 (kx a multiple of 4) of row kz.
  __m128 sample4(int kx, int kz) const {
    if (!cached()) return _mm_setr_ps(sample(kx, kz), sample(kx + 1, kz), sample(kx + 2, kz), sample(kx + 3, kz));
    auto octave = [&](int o) {
      return noise4_x4(_mm_load_ps(&cos_[o][kx]), _mm_set1_ps(cos_[o][kz]), _mm_load_ps(&sin_[o][kx]),
                       _mm_set1_ps(sin_[o][kz]));
    };
    __m128 v = octave(0);
    float a = persistence_;
    for (int o = 1; o < octaves_; ++o) {
      v = _mm_add_ps(v, _mm_mul_ps(_mm_set1_ps(a), octave(o)));
      a *= persistence_;
    }
    return v;
  }

 private:
  bool cached() const { return octaves_ >= 1 && octaves_ <= MAX_CACHED_OCTAVES; }

  int octaves_;
  float persistence_;
  float period_;
  float start_[256];
  alignas(16) float cos_[MAX_CACHED_OCTAVES][256];
  alignas(16) float sin_[MAX_CACHED_OCTAVES][256];
};
