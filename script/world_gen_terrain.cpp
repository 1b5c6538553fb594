// The terrain generators and queries as world scripts call them; they all
// work on hmap and the cell surfaces.
#include <cmath>
#include "script/world_gen_bindings.h"
#include "script/world_gen_phase_times.h"
#include "script/script_hooks.h"
#include "core/optional_services.h"
#include "terrain/hm_gen.h"
#include "terrain/ramp.h"

using namespace HeightmapData;
using sqbind::Nullable;

static void script_place_house(int x, int z, int kind) {
  placeHouse(x, z, kind, hmap, false);
  check_generated_heights("place_house");
}

static void script_add_fast_noise(float min_ht, float max_ht, Nullable<ColorRamp> ramp, int ground, int color_alpha,
                                  float roughness) {
  check_height_range(min_ht, max_ht, "add_fast_noise");
  addFastNoise(min_ht, max_ht, ramp, ground, color_alpha, roughness);
  check_generated_heights("add_fast_noise");
}

static void script_add_simplex_noise(float min_ht, float max_ht, int tile, int octaves, float persistence) {
  check_height_range(min_ht, max_ht, "add_simplex_noise");
  check_tile(tile, "add_simplex_noise");
  check_octaves(octaves, "add_simplex_noise");
  addSimplexNoise(min_ht, max_ht, tile, octaves, persistence);
  check_generated_heights("add_simplex_noise");
}

static void script_add_voronoi_hills(int tile, float min_ht, float max_ht, float radius) {
  check_tile(tile, "add_voronoi_hills");
  check_finite({min_ht, max_ht, radius}, "add_voronoi_hills");
  addVoronoiHills(tile, min_ht, max_ht, radius);
  check_generated_heights("add_voronoi_hills");
}

static void script_gen_voronoi_faults(int tile, float min_ht, float max_ht, float warp, int warp_scale, int octaves,
                                      float sharpness) {
  check_tile(tile, "gen_voronoi_faults");
  check_octaves(octaves, "gen_voronoi_faults");
  check_finite({min_ht, max_ht, warp, sharpness}, "gen_voronoi_faults");
  genVoronoiFaults(tile, min_ht, max_ht, warp, warp_scale, octaves, sharpness);
  check_generated_heights("gen_voronoi_faults");
}

static void script_gen_fault(float cx, float cz, float dx, float dz, float height, float balance, float roughness,
                             Nullable<ColorRamp> ramp, int ground) {
  check_finite({cx, cz, dx, dz, height, balance, roughness}, "gen_fault");
  genFault(Point2{cx, cz}, Point2{dx, dz}, height, balance, roughness, ramp, ground, 255, hmap);
  check_generated_heights("gen_fault");
}

static void script_gen_crater(float cx, float cz, float radius, float slope) {
  check_finite({cx, cz, radius, slope}, "gen_crater");
  genCrater(Point2{cx, cz}, radius, slope, hmap);
  check_generated_heights("gen_crater");
}

static float script_recenter_hmap() {
  float shift = recenterHt();
  check_generated_heights("recenter_hmap");
  return shift;
}

static void script_flatten_circle(float cx, float cz, float radius, float height, float strength, float power) {
  check_finite({cx, cz, radius, height, strength, power}, "flatten_circle");
  flatten_circle(cx, cz, radius, height, strength, power, hmap);
  check_generated_heights("flatten_circle");
}

static float script_get_average_circle_height(float cx, float cz, float radius) {
  return get_average_circle_height(cx, cz, radius, hmap);
}

static void script_set_sun_dir(__m128 dir) {
  if (auto set_sun = set_sun_dir_service()) set_sun(dir, false);
}

static void script_show_splash(const char* text, float progress) {
  if (script_hooks.show_progress) script_hooks.show_progress(text, progress);
}

static void script_debug_object(HSQUIRRELVM vm, sqbind::SqObject value) { sqbind::sq_debug_object(vm, value); }

// Slot key of the table at idx as a float, when present.
static void read_param(HSQUIRRELVM vm, SQInteger idx, const char* key, float& out) {
  sq_pushstring(vm, key, -1);
  if (SQ_FAILED(sq_get(vm, idx))) return;
  out = sqbind::SqArg<float>::get(vm, -1);
  sq_poptop(vm);
}

// One reaction [from, to, rate] from the array element on top of the stack.
static ErosionReaction read_reaction(HSQUIRRELVM vm) {
  __m128 part[3];
  for (int k = 0; k < 3; k++) {
    sq_pushinteger(vm, k);
    if (SQ_FAILED(sq_get(vm, -2))) throw sqbind::SquirrelError("reaction must be [from, to, rate]");
    part[k] = k < 2 ? sqbind::read_script_color(vm, -1) : _mm_set1_ps(sqbind::SqArg<float>::get(vm, -1));
    sq_poptop(vm);
  }
  ErosionReaction r;
  r.delta = _mm_mul_ps(_mm_sub_ps(part[1], part[0]), part[2]);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(r.exponent), _mm_cvtps_epi32(part[0]));
  return r;
}

static void read_reactions(HSQUIRRELVM vm, SQInteger idx, ErosionParams& params) {
  sq_pushstring(vm, "reactions", -1);
  if (SQ_FAILED(sq_get(vm, idx))) return;
  if (sq_gettype(vm, -1) != OT_ARRAY) sqbind::throw_type_error();
  SQInteger n = sq_getsize(vm, -1);
  for (SQInteger i = 0; i < n; i++) {
    sq_pushinteger(vm, i);
    sq_get(vm, -2);
    params.reactions.append(read_reaction(vm));
    sq_poptop(vm);
  }
  sq_poptop(vm);
}

// gen_droplet_erosion(count, params table or null)
static SQInteger gen_droplet_erosion(HSQUIRRELVM vm) {
  return run_native(vm, [&]() -> SQInteger {
    WorldGenPhaseTimer timer(WG_PHASE_EROSION);
    if (sq_gettop(vm) < 3) throw sqbind::SquirrelError("wrong number of parameters");
    int count = sqbind::SqArg<int>::get(vm, 2);
    check_droplet_count(count, "gen_droplet_erosion");
    ErosionParams params;
    SQObjectType t = sq_gettype(vm, 3);
    if (t != OT_NULL) {
      if (t != OT_TABLE) sqbind::throw_type_error();
      static const char* const KEYS[] = {"Kq", "Kw", "Kr", "Kd", "Ki", "minSlope", "g", "depositBlend", "reactionTime"};
      float* const fields[] = {&params.Kq, &params.Kw,       &params.Kr, &params.Kd,          &params.Ki,
                               &params.minSlope, &params.g, &params.depositBlend, &params.reactionTime};
      for (int k = 0; k < 9; k++) read_param(vm, 3, KEYS[k], *fields[k]);
      read_reactions(vm, 3, params);
    }
    // A negative count would turn into billions of droplets.
    genDropletErosion(count > 0 ? unsigned(count) : 0u, params, script_hooks.show_progress);
    check_generated_heights("gen_droplet_erosion");
    return 0;
  });
}

void bind_world_gen_terrain(HSQUIRRELVM vm) {
  using sqbind::bind_func;
  bind_func(vm, "place_house", timed_in<WG_PHASE_GENERATORS, &script_place_house>());
  bind_func(vm, "add_fast_noise", timed_in<WG_PHASE_NOISE, &script_add_fast_noise>());
  bind_func(vm, "add_simplex_noise", timed_in<WG_PHASE_NOISE, &script_add_simplex_noise>());
  bind_func(vm, "gen_fault", timed_in<WG_PHASE_GENERATORS, &script_gen_fault>());
  bind_func(vm, "gen_crater", timed_in<WG_PHASE_GENERATORS, &script_gen_crater>());
  bind_raw_native(vm, "gen_droplet_erosion", gen_droplet_erosion);
  bind_func(vm, "add_voronoi_hills", timed_in<WG_PHASE_GENERATORS, &script_add_voronoi_hills>());
  bind_func(vm, "gen_voronoi_faults", timed_in<WG_PHASE_GENERATORS, &script_gen_voronoi_faults>());
  bind_func(vm, "recenter_hmap", timed_in<WG_PHASE_GENERATORS, &script_recenter_hmap>());
  bind_func(vm, "flatten_circle", timed_in<WG_PHASE_GENERATORS, &script_flatten_circle>());
  bind_func(vm, "get_average_circle_height", &script_get_average_circle_height);
  bind_func(vm, "mark_rect", &mark_rect);
  bind_func(vm, "mark_circle", &mark_circle);
  bind_func(vm, "mark_water", &mark_water);
  bind_func(vm, "test_rect_mark", &test_rect_mark);
  bind_func(vm, "test_circle_mark", &test_circle_mark);
  bind_func(vm, "set_sun_dir", &script_set_sun_dir);
  bind_func(vm, "show_splash", &script_show_splash);
  bind_func(vm, "debug_object", &script_debug_object);
}
