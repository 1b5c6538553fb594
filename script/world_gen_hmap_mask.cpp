// The script class HmapMask: built from a value, a function of the cell, the
// current terrain, or noise and Voronoi generators, then read by scripts or
// applied to the terrain (world_gen_mask_ops.cpp).
#include "script/world_gen_hmap_mask.h"
#include <cmath>
#include <cstring>
#include <memory>
#include "core/allocator.h"
#include "script/world_gen_bindings.h"
#include "script/world_gen_callback.h"
#include "script/world_gen_phase_times.h"
#include "terrain/noise.h"
#include "terrain/ramp.h"
#include "terrain/tiled_fractal_grid.h"

using namespace HeightmapData;

// The cell column or row of a floored coordinate, reduced into 0..255 before
// any integer conversion so that huge or undefined coordinates stay defined.
static int wrapped_cell(float floored) {
  if (!std::isfinite(floored)) return 0;
  float w = floored - 256.0f * std::floor(floored / 256.0f);
  return int(w) & HMAP_MASK;
}

float HmapMask::get(float x, float z) const {
  float fx0 = std::floor(x), fz0 = std::floor(z);
  float fx = x - fx0, fz = z - fz0;
  int x0 = wrapped_cell(fx0), z0 = wrapped_cell(fz0);
  float top = getraw(x0, z0) + (getraw(x0 + 1, z0) - getraw(x0, z0)) * fx;
  float bottom = getraw(x0, z0 + 1) + (getraw(x0 + 1, z0 + 1) - getraw(x0, z0 + 1)) * fx;
  return top + (bottom - top) * fz;
}

namespace {

SQInteger release_mask(SQUserPointer p, SQInteger) {
  dlfree(p);
  return 0;
}

struct MaskDeleter {
  void operator()(HmapMask* m) const { dlfree(m); }
};
using MaskPtr = std::unique_ptr<HmapMask, MaskDeleter>;

MaskPtr new_mask() {
  auto* m = static_cast<HmapMask*>(dlmalloc(sizeof(HmapMask)));
  if (!m) throw sqbind::SquirrelError("out of memory");
  memset(m, 0, sizeof(HmapMask));
  return MaskPtr(m);
}

// Hands the mask to a new script instance (pushed), which frees it.
SQInteger push_mask(HSQUIRRELVM vm, MaskPtr m) {
  sqbind::push_instance(vm, m.get(), sqbind::class_tag<HmapMask>(), "HmapMask", release_mask);
  m.release();
  return 1;
}

// v: a number fills every cell; a function is called as f(x, z).
SQInteger mask_constructor(HSQUIRRELVM vm) {
  return run_native(vm, [&]() -> SQInteger {
    if (sq_gettop(vm) < 2) throw sqbind::SquirrelError("wrong number of parameters");
    SQObjectType t = sq_gettype(vm, 2);
    bool filled = t == OT_INTEGER || t == OT_FLOAT;
    WorldGenPhaseTimer timer(filled ? WG_PHASE_MASKS : WG_PHASE_CALLBACKS);
    MaskPtr m = new_mask();
    if (filled) {
      float v = finite_height(sqbind::SqArg<float>::get(vm, 2), 0);
      for (float& c : m->cells) c = v;
    } else {
      WorldGenCallback f(vm, 2);
      for (int z = 0; z < HMAP_SIZE; z++)
        for (int x = 0; x < HMAP_SIZE; x++) m->cells[cell_index(x, z)] = finite_height(f.callFloat(x, z), cell_index(x, z));
    }
    sqbind::init_instance(m.get(), vm, release_mask);
    m.release();
    return 0;
  });
}

// set(x, z, v): one cell, coordinates wrapping as in getraw; lets a script
// write the few cells it needs instead of calling a function for all.
SQInteger set_cell(HSQUIRRELVM vm) {
  return run_native(vm, [&]() -> SQInteger {
    if (sq_gettop(vm) != 4) throw sqbind::SquirrelError("wrong number of parameters");
    HmapMask* m = sqbind::SqArg<HmapMask*>::get(vm, 1);
    int cell = cell_index(sqbind::SqArg<int>::get(vm, 2), sqbind::SqArg<int>::get(vm, 3));
    m->cells[cell] = finite_height(sqbind::SqArg<float>::get(vm, 4), cell);
    return 0;
  });
}

SQInteger calc_min_max(HSQUIRRELVM vm) {
  return run_native(vm, [&]() -> SQInteger {
    const HmapMask* m = sqbind::SqArg<HmapMask*>::get(vm, 1);
    float lo = m->cells[0], hi = m->cells[0];
    for (float c : m->cells) {
      lo = std::fmin(lo, c);
      hi = std::fmax(hi, c);
    }
    sq_newarray(vm, 0);
    sq_pushfloat(vm, lo);
    sq_arrayappend(vm, -2);
    sq_pushfloat(vm, hi);
    sq_arrayappend(vm, -2);
    return 1;
  });
}

// The class functions: each builds a new mask and returns it.
template <class Fill>
SQInteger make_mask(HSQUIRRELVM vm, Fill&& fill, WorldGenPhase phase = WG_PHASE_MASKS) {
  return run_native(vm, [&]() -> SQInteger {
    WorldGenPhaseTimer timer(phase);
    MaskPtr m = new_mask();
    fill(m->cells);
    return push_mask(vm, std::move(m));
  });
}

template <class T>
T arg(HSQUIRRELVM vm, SQInteger idx) {
  if (sq_gettop(vm) < idx) throw sqbind::SquirrelError("wrong number of parameters");
  return sqbind::SqArgOf<T>::get(vm, idx);
}

SQInteger fast_noise(HSQUIRRELVM vm) {
  return make_mask(
      vm, [&](float* cells) { makeFastNoise(cells, arg<float>(vm, 2), arg<float>(vm, 3)); }, WG_PHASE_NOISE);
}

SQInteger from_height(HSQUIRRELVM vm) {
  return make_mask(vm, [&](float* cells) { memcpy(cells, hmap, sizeof(hmap)); });
}

// The vertical component of the unit normal (-gx, 8, -gz) with Sobel
// derivatives: 1 on flat ground, smaller as it steepens.
SQInteger from_slope(HSQUIRRELVM vm) {
  return make_mask(vm, [&](float* cells) {
    auto h = [](int x, int z) { return hmap[cell_index(x, z)]; };
    for (int z = 0; z < HMAP_SIZE; z++)
      for (int x = 0; x < HMAP_SIZE; x++) {
        float gx = (h(x + 1, z - 1) + 2.0f * h(x + 1, z) + h(x + 1, z + 1)) -
                   (h(x - 1, z - 1) + 2.0f * h(x - 1, z) + h(x - 1, z + 1));
        float gz = (h(x - 1, z + 1) + 2.0f * h(x, z + 1) + h(x + 1, z + 1)) -
                   (h(x - 1, z - 1) + 2.0f * h(x, z - 1) + h(x + 1, z - 1));
        cells[cell_index(x, z)] = 8.0f / std::sqrt(gx * gx + 64.0f + gz * gz);
      }
  });
}

SQInteger from_water(HSQUIRRELVM vm) {
  return make_mask(vm, [&](float* cells) {
    for (int i = 0; i < HMAP_CELLS; i++) cells[i] = water_at(i).amount;
  });
}

SQInteger from_simplex_noise(HSQUIRRELVM vm) {
  return make_mask(vm, [&](float* cells) {
    float scale = arg<float>(vm, 2), period = arg<float>(vm, 3);
    int octaves = arg<int>(vm, 4);
    const FloatRamp* ramp = arg<sqbind::Nullable<FloatRamp>>(vm, 5);
    float persistence = arg<float>(vm, 6);
    check_octaves(octaves, "fromSimplexNoise");
    auto start = [period](int k) { return float(k) * period / 256.0f; };
    if (!ramp) {
      // Whole rows at once on the shared lattice; the same values as the
      // per-cell sum below.
      const TiledFractalGrid grid(octaves, persistence, period, start);
      __m128 s = _mm_set1_ps(scale);
      for (int z = 0; z < HMAP_SIZE; z++)
        for (int x = 0; x < HMAP_SIZE; x += 4) _mm_storeu_ps(&cells[cell_index(x, z)], _mm_mul_ps(grid.sample4(x, z), s));
      return;
    }
    for (int z = 0; z < HMAP_SIZE; z++)
      for (int x = 0; x < HMAP_SIZE; x++)
        cells[cell_index(x, z)] = scale * tiled_fractal_noise2(octaves, ramp, start(x), start(z), period, persistence);
  }, WG_PHASE_NOISE);
}

// What a generator adds to hmap, captured by running it on a zeroed hmap;
// the heights are put back afterwards.
template <class Generator>
void capture_added_heights(float* cells, Generator&& generate) {
  auto saved = std::make_unique<float[]>(HMAP_CELLS);
  memcpy(saved.get(), hmap, sizeof(hmap));
  memset(hmap, 0, sizeof(hmap));
  generate();
  memcpy(cells, hmap, sizeof(hmap));
  memcpy(hmap, saved.get(), sizeof(hmap));
}

SQInteger from_voronoi_hills(HSQUIRRELVM vm) {
  return make_mask(vm, [&](float* cells) {
    int tile = arg<int>(vm, 2);
    float min_ht = arg<float>(vm, 3), max_ht = arg<float>(vm, 4), radius = arg<float>(vm, 5);
    check_tile(tile, "fromVoronoiHills");
    capture_added_heights(cells, [&] { addVoronoiHills(tile, min_ht, max_ht, radius); });
  }, WG_PHASE_GENERATORS);
}

SQInteger from_voronoi_faults(HSQUIRRELVM vm) {
  return make_mask(vm, [&](float* cells) {
    int tile = arg<int>(vm, 2);
    float min_ht = arg<float>(vm, 3), max_ht = arg<float>(vm, 4), warp = arg<float>(vm, 5);
    int warp_scale = arg<int>(vm, 6), octaves = arg<int>(vm, 7);
    float sharpness = arg<float>(vm, 8);
    check_tile(tile, "fromVoronoiFaults");
    check_octaves(octaves, "fromVoronoiFaults");
    capture_added_heights(cells, [&] { genVoronoiFaults(tile, min_ht, max_ht, warp, warp_scale, octaves, sharpness); });
  }, WG_PHASE_GENERATORS);
}

}  // namespace

void bind_hmap_mask(HSQUIRRELVM vm) {
  sqbind::SqClassBinder<HmapMask> cls(vm, "HmapMask");
  bind_raw_native(vm, cls.cls, "constructor", mask_constructor);
  cls.method("getraw", &HmapMask::getraw).method("get", &HmapMask::get);
  bind_raw_native(vm, cls.cls, "set", set_cell);
  bind_raw_native(vm, cls.cls, "calcMinMax", calc_min_max);
  bind_raw_native(vm, cls.cls, "fastNoise", fast_noise);
  bind_raw_native(vm, cls.cls, "fromHeight", from_height);
  bind_raw_native(vm, cls.cls, "fromSlope", from_slope);
  bind_raw_native(vm, cls.cls, "fromWater", from_water);
  bind_raw_native(vm, cls.cls, "fromSimplexNoise", from_simplex_noise);
  bind_raw_native(vm, cls.cls, "fromVoronoiHills", from_voronoi_hills);
  bind_raw_native(vm, cls.cls, "fromVoronoiFaults", from_voronoi_faults);
}
