// Ramps: 257 samples over an input range, looked up with linear interpolation.
// Generators paint with colour ramps, fractal noise shapes octaves with float
// ramps, effects animate particles with both.
#pragma once

#include <xmmintrin.h>

constexpr int RAMP_SAMPLES = 257;

// Colours (R, G, B, A) over t in 0..1.
struct ColorRamp {
  __m128 samples[RAMP_SAMPLES];
  __m128 lookup(float t) const;
};

// Floats over t in 0..1; fractal noise maps its -1..1 values onto that range.
struct FloatRamp {
  float samples[RAMP_SAMPLES];
  float lookup(float t) const;
};
