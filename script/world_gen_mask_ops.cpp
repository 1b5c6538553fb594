// Masks and colours applied to the terrain: heights and fluids changed by a
// mask and/or a function per cell, and the ground repainted by a function, a
// ramp over the heights, or a blend of four colours.
#include <cmath>
#include "script/world_gen_bindings.h"
#include "script/world_gen_callback.h"
#include "script/world_gen_hmap_mask.h"
#include "script/world_gen_phase_times.h"
#include "terrain/ramp.h"
#include "terrain/surface_color.h"

using namespace HeightmapData;

namespace {

const HmapMask* optional_mask(HSQUIRRELVM vm, SQInteger idx) {
  if (sq_gettop(vm) < idx) return nullptr;
  return sqbind::SqArg<sqbind::Nullable<HmapMask>>::get(vm, idx);
}

// f null: value += mask; f and mask: value = f(value, mask); f alone:
// value = f(value). Cells in index order (z outer, x inner).
template <class Cell>
SQInteger apply_mask(HSQUIRRELVM vm, const char* noMaskNoFunc, Cell&& cell) {
  return run_native(vm, [&]() -> SQInteger {
    const HmapMask* mask = optional_mask(vm, 2);
    SQObjectType ft = sq_gettop(vm) >= 3 ? sq_gettype(vm, 3) : OT_NULL;
    WorldGenPhaseTimer timer(ft == OT_NULL ? WG_PHASE_MASKS : WG_PHASE_CALLBACKS);
    if (ft == OT_NULL) {
      if (!mask) throw sqbind::SquirrelError(noMaskNoFunc);
      for (int i = 0; i < HMAP_CELLS; i++) cell(i) = finite_height(cell(i) + mask->cells[i], i);
      return 0;
    }
    WorldGenCallback f(vm, 3);
    for (int i = 0; i < HMAP_CELLS; i++) {
      float& v = cell(i);
      v = finite_height(mask ? f.callFloat(v, mask->cells[i]) : f.callFloat(v), i);
    }
    return 0;
  });
}

SQInteger apply_height_mask(HSQUIRRELVM vm) {
  return apply_mask(vm, "no mask and no func in apply_height_mask()", [](int i) -> float& { return hmap[i]; });
}

SQInteger apply_water_mask(HSQUIRRELVM vm) {
  return apply_mask(vm, "no mask and no func in apply_water_mask()",
                    [](int i) -> float& { return water_at(i).amount; });
}

// flood_water_below(level): cells whose ground lies below level hold water
// up to it; the others keep theirs.
void flood_water_below(float level) {
  for (int i = 0; i < HMAP_CELLS; i++)
    if (hmap[i] < level) water_at(i).amount = finite_height(level - hmap[i], i);
}

void set_ground_and_surface(Surface& s, unsigned ground, unsigned surf) {
  s.ground = ground & 15;
  s.surf = surf & 15;
}

// Element k of the array on top of the stack, read by read (popped after).
template <class Read>
auto array_element(HSQUIRRELVM vm, SQInteger k, Read&& read) {
  sq_pushinteger(vm, k);
  if (SQ_FAILED(sq_get(vm, -2))) sqbind::throw_type_error();
  auto v = read(vm, -1);
  sq_poptop(vm);
  return v;
}

const char* const REPAINT_RESULT_ERROR = "repaint_land() function must return [color, ground] or [color, ground, overlay, surface]";

// A script function declared with exactly two parameters (x, z).
bool takes_only_position(HSQUIRRELVM vm, SQInteger idx) {
  SQUnsignedInteger nparams = 0, nfreevars = 0;
  return sq_gettype(vm, idx) == OT_CLOSURE && SQ_SUCCEEDED(sq_getclosureinfo(vm, idx, &nparams, &nfreevars)) &&
         nparams == 3;  // `this`, x and z
}

// repaint_land(f): r = f(x, z, colour, overlay) per cell; a function that
// takes only x and z gets only those (no colour vectors made per cell).
SQInteger repaint_land(HSQUIRRELVM vm) {
  return run_native(vm, [&]() -> SQInteger {
    WorldGenPhaseTimer timer(WG_PHASE_COLOURING);
    if (sq_gettop(vm) < 2 || sq_gettype(vm, 2) == OT_NULL) throw sqbind::SquirrelError("null function in repaint_land()");
    WorldGenCallback f(vm, 2);
    const bool colours = !takes_only_position(vm, 2);
    const sqbind::Vec4fPusher vectors(vm);
    auto read_int = [](HSQUIRRELVM v, SQInteger idx) { return unsigned(sqbind::SqArg<int>::get(v, idx)); };
    for (int z = 0; z < HMAP_SIZE; z++)
      for (int x = 0; x < HMAP_SIZE; x++) {
        Surface& s = surface[cell_index(x, z)];
        f.begin();
        sq_pushinteger(vm, x);
        sq_pushinteger(vm, z);
        if (colours) {
          vectors.push(unpack_color(s.color));
          vectors.push(unpack_color(s.overlay));
        }
        f.call(colours ? 4 : 2);
        if (sq_gettype(vm, -1) != OT_ARRAY || sq_getsize(vm, -1) < 2) throw sqbind::SquirrelError(REPAINT_RESULT_ERROR);
        bool full = sq_getsize(vm, -1) >= 4;
        unsigned color = pack_color(array_element(vm, 0, sqbind::read_script_color));
        unsigned ground = array_element(vm, 1, read_int);
        unsigned overlay = full ? pack_color(array_element(vm, 2, sqbind::read_script_color)) : 0;
        unsigned surf = full ? array_element(vm, 3, read_int) : ST_OPEN;
        f.end();
        s.color = color;
        s.overlay = overlay;
        set_ground_and_surface(s, ground, surf);
      }
    return 0;
  });
}

void paint_soil(Surface& s, __m128 color) {
  s.color = pack_color(color);
  s.overlay = 0;
  set_ground_and_surface(s, GT_SOIL, ST_OPEN);
}

// recolor_by_height(ramp, mask?): the ramp over the source's range. A flat
// source takes the ramp's start everywhere.
SQInteger recolor_by_height(HSQUIRRELVM vm) {
  return run_native(vm, [&]() -> SQInteger {
    WorldGenPhaseTimer timer(WG_PHASE_COLOURING);
    if (sq_gettop(vm) < 2) throw sqbind::SquirrelError("wrong number of parameters");
    const ColorRamp* ramp = sqbind::SqArg<sqbind::Nullable<ColorRamp>>::get(vm, 2);
    if (!ramp) throw sqbind::SquirrelError("null ramp in recolor_by_height()");
    const HmapMask* mask = optional_mask(vm, 3);
    const float* src = mask ? mask->cells : hmap;
    float lo = src[0], hi = src[0];
    for (int i = 0; i < HMAP_CELLS; i++) {
      lo = std::fmin(lo, src[i]);
      hi = std::fmax(hi, src[i]);
    }
    float scale = hi > lo ? 1.0f / (hi - lo) : 0.0f;
    for (int i = 0; i < HMAP_CELLS; i++) paint_soil(surface[i], ramp->lookup((src[i] - lo) * scale));
    return 0;
  });
}

// recolor_land4(k1, k2, k3, k4): the cell's colour channels weigh the four
// colours. A cell whose channels are all zero takes k1.
void recolor_land4(sqbind::ScriptColor k1, sqbind::ScriptColor k2, sqbind::ScriptColor k3, sqbind::ScriptColor k4) {
  for (Surface& s : surface) {
    __m128 w = unpack_color(s.color);
    alignas(16) float c[4];
    _mm_store_ps(c, w);
    float sum = c[0] + c[1] + c[2] + c[3];
    if (sum <= 0.0f) {
      paint_soil(s, k1.v);
      continue;
    }
    __m128 mixed = _mm_add_ps(_mm_add_ps(_mm_mul_ps(k1.v, _mm_set1_ps(c[0])), _mm_mul_ps(k2.v, _mm_set1_ps(c[1]))),
                              _mm_add_ps(_mm_mul_ps(k3.v, _mm_set1_ps(c[2])), _mm_mul_ps(k4.v, _mm_set1_ps(c[3]))));
    paint_soil(s, _mm_div_ps(mixed, _mm_set1_ps(sum)));
  }
}

}  // namespace

void bind_world_gen_mask_ops(HSQUIRRELVM vm) {
  bind_raw_native(vm, "apply_height_mask", apply_height_mask);
  bind_raw_native(vm, "apply_water_mask", apply_water_mask);
  sqbind::bind_func(vm, "flood_water_below", timed_in<WG_PHASE_MASKS, &flood_water_below>());
  bind_raw_native(vm, "repaint_land", repaint_land);
  bind_raw_native(vm, "recolor_by_height", recolor_by_height);
  sqbind::bind_func(vm, "recolor_land4", timed_in<WG_PHASE_COLOURING, &recolor_land4>());
}
