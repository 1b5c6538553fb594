// Noise and the game's random generator as world scripts call them.
#include "script/world_gen_bindings.h"
#include "terrain/game_random.h"
#include "terrain/noise.h"
#include "terrain/ramp.h"

using sqbind::Nullable;

static float script_fractal_noise1(float x, int octaves, Nullable<FloatRamp> ramp, float persistence) {
  check_octaves(octaves, "fractal_noise1");
  return fractal_noise1(octaves, ramp, x, persistence);
}

static float script_tiled_fractal_noise2(float x, float y, int period, int octaves, Nullable<FloatRamp> ramp,
                                         float persistence) {
  check_octaves(octaves, "tiled_fractal_noise2");
  return tiled_fractal_noise2(octaves, ramp, x, y, float(period), persistence);
}

void bind_world_gen_noise(HSQUIRRELVM vm) {
  using sqbind::bind_func;
  bind_func(vm, "reseed_noise", &reseed_noise);
  bind_func(vm, "noise1", &noise1);
  bind_func(vm, "fractal_noise1", &script_fractal_noise1);
  bind_func(vm, "tiled_noise2", &tiled_noise2);
  bind_func(vm, "tiled_fractal_noise2", &script_tiled_fractal_noise2);
  bind_func(vm, "get_noise_hash1", &get_noise_hash1);
  bind_func(vm, "get_noise_hash2", &get_noise_hash2);
  bind_func(vm, "hmrnd", &hmrnd);
  bind_func(vm, "irnd", &irnd);
  bind_func(vm, "hmfrnd", &hmfrnd);
  bind_func(vm, "hmsrnd", &hmsrnd);
  bind_func(vm, "frnd", &frnd);
  bind_func(vm, "srnd", &srnd);
  bind_func(vm, "rndf", &rndf);
  bind_func(vm, "wrap", &wrap);
  bind_func(vm, "set_rnd_seed", &set_rnd_seed);
  bind_func(vm, "randomize_rnd_seed", &randomize_rnd_seed);
}
