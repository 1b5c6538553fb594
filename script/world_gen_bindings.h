#pragma once
#include <initializer_list>
// What the world machine gets from the engine for building worlds: ramps,
// height masks, vectors and colours, noise and random draws, the terrain
// generators and the constants. Bound once when the machine is created, in
// this order (the universe and game-object classes go between the masks and
// the functions), and kept across reloads.
#include <cstring>  // sqbind_bind.h uses memcpy
#include "script/sqbind.h"

// Classes ColorRamp and FloatRamp.
void bind_world_gen_ramps(HSQUIRRELVM vm);
// Class HmapMask.
void bind_hmap_mask(HSQUIRRELVM vm);
// Class vec4f, the vector, colour, noise, random and terrain functions, then
// the constants (before any script using them is compiled).
void bind_world_gen_functions(HSQUIRRELVM vm);

// The pieces of bind_world_gen_functions, each in its own file.
void bind_world_gen_vec4f(HSQUIRRELVM vm);
void bind_world_gen_colors(HSQUIRRELVM vm);
void bind_world_gen_noise(HSQUIRRELVM vm);
void bind_world_gen_terrain(HSQUIRRELVM vm);
void bind_world_gen_mask_ops(HSQUIRRELVM vm);
void bind_world_gen_constants(HSQUIRRELVM vm);

// Binds a native that reads its own arguments as slot name of target (the
// root table when target is empty). For natives whose arguments vary in
// count or type.
void bind_raw_native(HSQUIRRELVM vm, const sqbind::SqObject& target, const char* name, SQFUNCTION fn);
inline void bind_raw_native(HSQUIRRELVM vm, const char* name, SQFUNCTION fn) {
  bind_raw_native(vm, sqbind::SqObject(), name, fn);
}

// Runs body (returning what the native returns); a host error it throws
// becomes the script error of the call.
template <class Body>
SQInteger run_native(HSQUIRRELVM vm, Body&& body) {
  return sqbind::detail::guarded(vm, body);
}

// The generators stop the program on arguments they can't work with; scripts
// get a script error instead: "tile must be power of 2 in <function>()" and
// "bad height range in <function>()" (needs 0 <= min_ht <= max_ht).
void check_tile(int tile, const char* function);
void check_height_range(float min_ht, float max_ht, const char* function);
// A value a script puts into a grid cell: NaN and infinity are the script
// error "non-finite height at x, z" (the cell is left as it was).
float finite_height(float value, int cell);
// After a generator: the script error "<function>() left non-finite heights
// (first at x, z)" when any height is NaN or infinite (arguments that are
// finite can still overflow, say a persistence of 1e30).
void check_generated_heights(const char* function);
// The cell index of the first height that is NaN or infinite; -1 for none.
int first_non_finite_height();
// Generator arguments: NaN or infinity is "non-finite argument in <function>()".
void check_finite(std::initializer_list<float> args, const char* function);
// Past 24 octaves a float sum no longer changes, only the time it takes.
constexpr int MAX_NOISE_OCTAVES = 24;
void check_octaves(int octaves, const char* function);
// Ten million droplets erode any map flat; more only stalls generation.
constexpr int MAX_EROSION_DROPLETS = 10000000;
void check_droplet_count(int count, const char* function);
