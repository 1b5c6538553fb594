// Water and lava: one shallow-fluid model on the wrapping grid. Each cell holds
// a signed depth (water > 0, lava < 0) and the faces towards x+1 and z+1 carry
// the flow velocities. A step advects and accelerates the face velocities
// (reading only the copy in tmpw), updates foam, cools lava and dries shallow
// water, then moves fluid between neighbours along the new velocities. Where
// lava meets water both cancel and the met part hardens into ground.
//
// Cells are processed four at a time along a row. Every lane computes exactly
// the float operations of the one-cell rule in the same order, so the result
// is bit for bit that of visiting the cells one by one; the cell-by-cell parts
// (lava cooling with its colour spread, transport into neighbours) stay in
// visiting order.
//
// Runs of four cells whose last step changed nothing and whose surroundings
// are still as they were are left alone (see last_input below).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <smmintrin.h>

#include "terrain/heightmap_data.h"
#include "terrain/noise.h"
#include "terrain/surface_color.h"

namespace HeightmapData {
namespace {

constexpr float PRESSURE_GAIN = 10.0f;
constexpr float WATER_DAMPING_RATE = 0.03f;
constexpr float LAVA_DAMPING_RATE = 0.3f;
constexpr float LAVA_PRESSURE_SHARE = 0.3f;
constexpr float LAVA_STOP_DEPTH = 0.05f;
constexpr float LAVA_FREE_DEPTH = 0.2f;
constexpr float LAVA_RAMP_SCALE = 6.6666665f;  // 1 / (0.2 - 0.05)
constexpr float LAVA_COOLING_RATE = 0.1f;
constexpr float LAVA_SET_DEPTH = 0.003f;  // thinner lava hardens at once
constexpr float FOAM_DECAY_RATE = 5.0f;
constexpr float FOAM_FROM_PRESSURE = 3.2f;
constexpr float SPLASH_FOAM = 0.01f;
constexpr float DRYING_DEPTH = 0.5f;
constexpr float DRY_DEPTH = 0.01f;
constexpr float OUTFLOW_RATE = 4.0f;
constexpr float OUTFLOW_THRESHOLD = 0.001f;
constexpr float OWN_COLOR_DIFFUSION = 0.1f;
constexpr float NEIGHBOUR_COLOR_DIFFUSION = 0.03f;

// Amount of every cell when transport starts, the amounts as transport
// changes them (written back into `water` row by row), and the new face
// velocities (kept equal to those in `water`), as plain float grids for
// four-wide reads.
alignas(16) float flow_amount[HMAP_CELLS];
alignas(16) float amount_now[HMAP_CELLS];
alignas(16) float face_vel_x[HMAP_CELLS];
alignas(16) float face_vel_z[HMAP_CELLS];

// Most of a settled world does not change from one step to the next. A run of
// four cells whose step changed nothing is "steady"; if next step every input
// its update reads (tmpw records and heights in the run and the cells around
// it, and the step length) is bit for bit what it was, the update would
// compute the same, i.e. leave the cells as they are, and is skipped.
// Inputs are compared with a copy of the previous step's, so changes made
// between steps, or a different world, are seen whatever they came from.
alignas(16) Water last_input[HMAP_SIZE][HMAP_SIZE];
alignas(16) float last_hmap[HMAP_CELLS];
constexpr int RUNS_PER_ROW = HMAP_SIZE / 4;
static_assert(RUNS_PER_ROW == 64, "one bit per run of a row");
uint64_t input_changed[HMAP_SIZE];  // runs whose input differs from the previous step's
uint64_t settled_runs[HMAP_SIZE];   // runs that ended the previous step as they started it
uint32_t last_dt_bits;
uint64_t steady_runs[HMAP_SIZE];   // this step: runs whose update changed nothing
uint64_t touched_runs[HMAP_SIZE];  // this step: runs whose cells fluid of the other kind reached

// The step's input is copied into tmpw row by row as the update reaches it;
// rows 0..rows_in_tmpw and the last row are there, the others are still
// unchanged in `water`.
int rows_in_tmpw;

inline const Water& input_record(int i) {
  int z = i >> HMAP_SIZE_SHIFT;
  return z <= rows_in_tmpw || z == HMAP_MASK ? (&tmpw[0][0])[i] : (&water[0][0])[i];
}

inline uint64_t run_bit(int x) { return uint64_t(1) << (x >> 2); }
inline uint64_t rotate_left(uint64_t m) { return m << 1 | m >> 63; }
inline uint64_t rotate_right(uint64_t m) { return m >> 1 | m << 63; }
inline bool same_bits(__m128 a, __m128 b) {
  __m128i d = _mm_castps_si128(_mm_xor_ps(a, b));
  return _mm_testz_si128(d, d);
}

struct StepConstants {
  float dt;
  float pressure_gain;
  float water_damping;
  float lava_damping;
  float cooling;
  float foam_decay;
  float outflow_rate;

  explicit StepConstants(float step)
      : dt(step),
        pressure_gain(PRESSURE_GAIN * step),
        water_damping(std::max(1.0f - WATER_DAMPING_RATE * step, 0.0f)),
        lava_damping(std::max(1.0f - LAVA_DAMPING_RATE * step, 0.0f)),
        cooling(std::min(LAVA_COOLING_RATE * step, 1.0f)),
        foam_decay(std::max(1.0f - FOAM_DECAY_RATE * step, 0.0f)),
        outflow_rate(OUTFLOW_RATE * step) {}
};

inline __m128 splat(float v) { return _mm_set1_ps(v); }
inline __m128 select(__m128 mask, __m128 if_set, __m128 if_clear) { return _mm_blendv_ps(if_clear, if_set, mask); }
// std::min(a, b) and std::max(a, b), including which operand a NaN yields.
inline __m128 min_of(__m128 a, __m128 b) { return _mm_min_ps(b, a); }
inline __m128 abs_of(__m128 v) { return _mm_andnot_ps(splat(-0.0f), v); }
inline __m128 negate(__m128 v) { return _mm_xor_ps(splat(-0.0f), v); }

inline float* row_of(float* grid, int z) { return grid + ((z & HMAP_MASK) << HMAP_SIZE_SHIFT); }

// Four consecutive cells x..x+3 of a row, wrapping at the row's end.
inline __m128 load_run(const float* row, int x) {
  if (x >= 0 && x + 3 < HMAP_SIZE) return _mm_loadu_ps(row + x);
  return _mm_setr_ps(row[x & HMAP_MASK], row[(x + 1) & HMAP_MASK], row[(x + 2) & HMAP_MASK],
                     row[(x + 3) & HMAP_MASK]);
}

// One row of tmpw split into float rows, padded by four cells on each side
// with the wrapped neighbours so that runs at x-1 and x+1 are plain loads.
constexpr int PAD = 4;
struct FluidRow {
  alignas(16) float amount[HMAP_SIZE + 2 * PAD];
  alignas(16) float vel_x[HMAP_SIZE + 2 * PAD];
  alignas(16) float vel_z[HMAP_SIZE + 2 * PAD];
  alignas(16) float foam[HMAP_SIZE + 2 * PAD];

  // Row z of the step's input, already in tmpw.
  void load(int z) {
    const Water* src = tmpw[z & HMAP_MASK];
    for (int x = 0; x < HMAP_SIZE; x += 4)
      split(x, _mm_load_ps(&src[x].amount), _mm_load_ps(&src[x + 1].amount), _mm_load_ps(&src[x + 2].amount),
            _mm_load_ps(&src[x + 3].amount));
    pad();
  }

  // Row z of `water` becomes the step's input: copied into tmpw, split, and
  // compared with the previous step's input. Returns the runs that differ.
  uint64_t take(int z) {
    const Water* src = water[z];
    Water* input = tmpw[z];
    Water* last = last_input[z];
    const float* h = row_of(hmap, z);
    float* last_h = row_of(last_hmap, z);
    uint64_t changed = 0;
    for (int x = 0; x < HMAP_SIZE; x += 4) {
      __m128 r[4], ground = _mm_load_ps(h + x);
      __m128 diff = _mm_xor_ps(ground, _mm_load_ps(last_h + x));
      for (int k = 0; k < 4; ++k) {
        r[k] = _mm_load_ps(&src[x + k].amount);
        _mm_store_ps(&input[x + k].amount, r[k]);
        diff = _mm_or_ps(diff, _mm_xor_ps(r[k], _mm_load_ps(&last[x + k].amount)));
      }
      if (!_mm_testz_si128(_mm_castps_si128(diff), _mm_castps_si128(diff))) {
        changed |= run_bit(x);
        _mm_store_ps(last_h + x, ground);
        for (int k = 0; k < 4; ++k) _mm_store_ps(&last[x + k].amount, r[k]);
      }
      split(x, r[0], r[1], r[2], r[3]);
    }
    pad();
    return changed;
  }

 private:
  void split(int x, __m128 r0, __m128 r1, __m128 r2, __m128 r3) {
    _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
    _mm_store_ps(amount + PAD + x, r0);
    _mm_store_ps(vel_x + PAD + x, r1);
    _mm_store_ps(vel_z + PAD + x, r2);
    _mm_store_ps(foam + PAD + x, r3);
  }
  void pad() {
    for (float* f : {amount, vel_x, vel_z, foam}) {
      std::memcpy(f, f + HMAP_SIZE, PAD * sizeof(float));
      std::memcpy(f + PAD + HMAP_SIZE, f + PAD, PAD * sizeof(float));
    }
  }
};

// Run of four cells starting at x (x may be -1 or run past 255 by up to 4).
inline __m128 run(const float* padded, int x) { return _mm_loadu_ps(padded + PAD + x); }

// Bilinear samples of the input records at four points, lanes of each result
// (amount, vel_x, vel_z, foam); weights (1 - t, t) as everywhere in terrain.
inline void sample_records(__m128 sx, __m128 sz, __m128 out[4]) {
  __m128 fx = _mm_floor_ps(sx), fz = _mm_floor_ps(sz);
  alignas(16) float tx[4], tz[4];
  _mm_store_ps(tx, _mm_sub_ps(sx, fx));
  _mm_store_ps(tz, _mm_sub_ps(sz, fz));
  // Truncating an out-of-range value gives INT_MIN: masked, still a cell.
  const __m128i mask = _mm_set1_epi32(HMAP_MASK);
  __m128i ix = _mm_cvttps_epi32(fx), iz = _mm_cvttps_epi32(fz);
  __m128i x0 = _mm_and_si128(ix, mask), x1 = _mm_and_si128(_mm_add_epi32(ix, _mm_set1_epi32(1)), mask);
  __m128i z0 = _mm_and_si128(iz, mask), z1 = _mm_and_si128(_mm_add_epi32(iz, _mm_set1_epi32(1)), mask);
  alignas(16) int c00[4], c10[4], c01[4], c11[4];
  _mm_store_si128((__m128i*)c00, _mm_or_si128(_mm_slli_epi32(z0, HMAP_SIZE_SHIFT), x0));
  _mm_store_si128((__m128i*)c10, _mm_or_si128(_mm_slli_epi32(z0, HMAP_SIZE_SHIFT), x1));
  _mm_store_si128((__m128i*)c01, _mm_or_si128(_mm_slli_epi32(z1, HMAP_SIZE_SHIFT), x0));
  _mm_store_si128((__m128i*)c11, _mm_or_si128(_mm_slli_epi32(z1, HMAP_SIZE_SHIFT), x1));
  const __m128 one = splat(1.0f);
  for (int l = 0; l < 4; ++l) {
    __m128 wx = splat(tx[l]), wz = splat(tz[l]);
    __m128 ux = _mm_sub_ps(one, wx), uz = _mm_sub_ps(one, wz);
    __m128 top = _mm_add_ps(_mm_mul_ps(_mm_load_ps(&input_record(c00[l]).amount), ux),
                            _mm_mul_ps(_mm_load_ps(&input_record(c10[l]).amount), wx));
    __m128 bottom = _mm_add_ps(_mm_mul_ps(_mm_load_ps(&input_record(c01[l]).amount), ux),
                               _mm_mul_ps(_mm_load_ps(&input_record(c11[l]).amount), wx));
    out[l] = _mm_add_ps(_mm_mul_ps(top, uz), _mm_mul_ps(bottom, wz));
  }
}

// Back-traces that end within one cell of their own cells (floor offsets -1
// or 0 on both axes, the usual case for slow fluid) sample corners that are
// all in the three loaded rows: the same bilinear samples as sample_records,
// taken four lanes at a time from the rows.
struct NearTrace {
  __m128 tx, tz, left, up;

  bool aim(__m128 sx, __m128 sz, __m128 cx, __m128 cz) {
    __m128 fx = _mm_floor_ps(sx), fz = _mm_floor_ps(sz);
    __m128 ox = _mm_sub_ps(fx, cx), oz = _mm_sub_ps(fz, cz);
    const __m128 minus_one = splat(-1.0f), zero = _mm_setzero_ps();
    left = _mm_cmpeq_ps(ox, minus_one);
    up = _mm_cmpeq_ps(oz, minus_one);
    __m128 near = _mm_and_ps(_mm_or_ps(left, _mm_cmpeq_ps(ox, zero)), _mm_or_ps(up, _mm_cmpeq_ps(oz, zero)));
    tx = _mm_sub_ps(sx, fx);
    tz = _mm_sub_ps(sz, fz);
    return _mm_movemask_ps(near) == 0xF;
  }

  // One component, given as padded rows above, here and below.
  __m128 sample(const float* above, const float* here, const float* below, int x) const {
    __m128 top_rows[3], bottom_rows[3];
    for (int d = 0; d < 3; ++d) {
      __m128 a = run(above, x + d - 1), h = run(here, x + d - 1), b = run(below, x + d - 1);
      top_rows[d] = _mm_blendv_ps(h, a, up);
      bottom_rows[d] = _mm_blendv_ps(b, h, up);
    }
    __m128 c00 = _mm_blendv_ps(top_rows[1], top_rows[0], left), c10 = _mm_blendv_ps(top_rows[2], top_rows[1], left);
    __m128 c01 = _mm_blendv_ps(bottom_rows[1], bottom_rows[0], left);
    __m128 c11 = _mm_blendv_ps(bottom_rows[2], bottom_rows[1], left);
    const __m128 one = splat(1.0f);
    __m128 ux = _mm_sub_ps(one, tx), uz = _mm_sub_ps(one, tz);
    __m128 top = _mm_add_ps(_mm_mul_ps(c00, ux), _mm_mul_ps(c10, tx));
    __m128 bottom = _mm_add_ps(_mm_mul_ps(c01, ux), _mm_mul_ps(c11, tx));
    return _mm_add_ps(_mm_mul_ps(top, uz), _mm_mul_ps(bottom, tz));
  }
};

// Per-cell roughness that makes thin lava stick: 0.15..1.
inline float lava_roughness(int x, int z) {
  int k = noise_perm[(z & HMAP_MASK) + noise_perm[x & HMAP_MASK]];
  return 0.15f + 0.85f * float(k) / 255.0f;
}

struct Faces {
  __m128 vel;
  __m128 pressure_foam;
  __m128 splash;
  bool lava;  // lava on either side of some face
};

// The faces between four cells (a0, h0) and their neighbours (a1, h1) on one
// side, given the advected velocities.
inline Faces face_velocities(const StepConstants& c, __m128 a0, __m128 h0, __m128 a1, __m128 h1, __m128 advected,
                             int x, int z) {
  const __m128 zero = _mm_setzero_ps();
  __m128 d0 = abs_of(a0), d1 = abs_of(a1);
  __m128 top0 = _mm_add_ps(h0, d0), top1 = _mm_add_ps(h1, d1);
  __m128 p = _mm_mul_ps(_mm_sub_ps(top0, top1), splat(c.pressure_gain));
  __m128 v = _mm_add_ps(_mm_mul_ps(advected, splat(c.water_damping)), p);

  __m128 is_water = _mm_cmpge_ps(_mm_add_ps(a0, a1), zero);
  const bool lava = _mm_movemask_ps(is_water) != 0xF;
  if (lava) {
    // Lava: friction pulls the pressure term towards zero, and thin lava sticks.
    __m128 dt = splat(c.dt), neg_dt = splat(-c.dt);
    __m128 pl = select(_mm_cmpgt_ps(p, dt), _mm_sub_ps(p, dt),
                       select(_mm_cmplt_ps(p, neg_dt), _mm_add_ps(p, dt), zero));
    __m128 vl = _mm_add_ps(_mm_mul_ps(advected, splat(c.lava_damping)), _mm_mul_ps(splat(LAVA_PRESSURE_SHARE), pl));
    __m128 rough = _mm_setr_ps(lava_roughness(x, z), lava_roughness(x + 1, z), lava_roughness(x + 2, z),
                               lava_roughness(x + 3, z));
    __m128 lava_depth = negate(_mm_add_ps(min_of(a0, zero), min_of(a1, zero)));
    __m128 sticky = _mm_mul_ps(lava_depth, rough);
    __m128 ramped = _mm_mul_ps(_mm_mul_ps(vl, _mm_sub_ps(sticky, splat(LAVA_STOP_DEPTH))), splat(LAVA_RAMP_SCALE));
    vl = select(_mm_cmplt_ps(sticky, splat(LAVA_STOP_DEPTH)), zero,
                select(_mm_cmplt_ps(sticky, splat(LAVA_FREE_DEPTH)), ramped, vl));
    v = select(is_water, v, vl);
    p = select(is_water, p, pl);
  }

  __m128 up = min_of(d0, _mm_sub_ps(top0, h1));
  __m128 down = min_of(d1, _mm_sub_ps(top1, h0));
  __m128 forward = _mm_cmpge_ps(v, zero), backward = _mm_cmplt_ps(v, zero);
  __m128 blocked = _mm_or_ps(_mm_and_ps(forward, _mm_cmple_ps(up, zero)), _mm_and_ps(backward, _mm_cmple_ps(down, zero)));
  Faces f;
  f.vel = _mm_andnot_ps(blocked, v);
  f.pressure_foam = _mm_mul_ps(splat(FOAM_FROM_PRESSURE), _mm_mul_ps(p, p));
  f.splash = _mm_and_ps(blocked, splat(SPLASH_FOAM));
  f.lava = lava;
  return f;
}

// Cooling lava darkens its cell and spreads the colour a little around it.
void diffuse_colors(int x, int z) {
  const int neighbours[4] = {cell_index(x - 1, z), cell_index(x, z - 1), cell_index(x + 1, z),
                             cell_index(x, z + 1)};
  Surface& own = surface[cell_index(x, z)];
  __m128 color_sum = _mm_mul_ps(splat(4.0f), unpack_color(own.color));
  __m128 overlay_sum = _mm_mul_ps(splat(4.0f), unpack_color(own.overlay));
  for (int n : neighbours) {
    color_sum = _mm_add_ps(color_sum, unpack_color(surface[n].color));
    overlay_sum = _mm_add_ps(overlay_sum, unpack_color(surface[n].overlay));
  }
  __m128 color_avg = _mm_mul_ps(color_sum, splat(0.125f));
  __m128 overlay_avg = _mm_mul_ps(overlay_sum, splat(0.125f));
  own.color = blend_color(own.color, color_avg, OWN_COLOR_DIFFUSION);
  own.overlay = blend_color(own.overlay, overlay_avg, OWN_COLOR_DIFFUSION);
  for (int n : neighbours) {
    surface[n].color = blend_color(surface[n].color, color_avg, NEIGHBOUR_COLOR_DIFFUSION);
    surface[n].overlay = blend_color(surface[n].overlay, overlay_avg, NEIGHBOUR_COLOR_DIFFUSION);
  }
}

void cool_lava(const StepConstants& c, int x, int z, float depth) {
  float cool = depth <= LAVA_SET_DEPTH ? depth : depth * c.cooling;
  int i = cell_index(x, z);
  water_at(i).amount += cool;
  depositRock(i, cool);
  diffuse_colors(x, z);
  flow_amount[i] = amount_now[i] = water_at(i).amount;
}

// Phase 1 for cells x..x+3 of row z: face velocities and foam from tmpw, then
// drying of shallow water and cooling of lava. Returns whether the run is
// steady: it left the cells as they were, from inputs all within the rows and
// the cells next to the run, with no lava involved.
bool update_run(const StepConstants& c, const FluidRow& above, const FluidRow& here, const FluidRow& below, int x,
                int z) {
  const __m128 dt = splat(c.dt);
  float* h_row = row_of(hmap, z);
  const __m128 a0 = run(here.amount, x);
  const __m128 h0 = _mm_load_ps(h_row + x);
  const __m128 vx0 = run(here.vel_x, x), vz0 = run(here.vel_z, x);
  const __m128 cx = _mm_add_ps(splat(float(x)), _mm_setr_ps(0.0f, 1.0f, 2.0f, 3.0f)), cz = splat(float(z));

  // Back-trace of the x faces (z velocity averaged over the four faces around)
  // and of the z faces.
  __m128 mean_vz = _mm_mul_ps(
      _mm_add_ps(_mm_add_ps(_mm_add_ps(vz0, run(here.vel_z, x + 1)), run(above.vel_z, x)), run(above.vel_z, x + 1)),
      splat(0.25f));
  __m128 mean_vx = _mm_mul_ps(
      _mm_add_ps(_mm_add_ps(_mm_add_ps(vx0, run(here.vel_x, x - 1)), run(below.vel_x, x)), run(below.vel_x, x - 1)),
      splat(0.25f));
  __m128 sx_x = _mm_sub_ps(cx, _mm_mul_ps(vx0, dt)), sz_x = _mm_sub_ps(cz, _mm_mul_ps(mean_vz, dt));
  __m128 sx_z = _mm_sub_ps(cx, _mm_mul_ps(mean_vx, dt)), sz_z = _mm_sub_ps(cz, _mm_mul_ps(vz0, dt));
  __m128 adv_x, adv_z, foam_x, foam_z;
  bool near = true;
  __m128 on_cell = _mm_and_ps(_mm_and_ps(_mm_cmpeq_ps(sx_x, cx), _mm_cmpeq_ps(sz_x, cz)),
                              _mm_and_ps(_mm_cmpeq_ps(sx_z, cx), _mm_cmpeq_ps(sz_z, cz)));
  if (_mm_movemask_ps(on_cell) == 0xF) {
    // Still fluid (or dry ground): every back-trace ends on its own cell, so
    // the samples have weights (1, 0) and their corners are in the rows.
    auto at_corner = [&](const float* h, const float* b) {
      const __m128 one = splat(1.0f), zero = _mm_setzero_ps();
      __m128 top = _mm_add_ps(_mm_mul_ps(run(h, x), one), _mm_mul_ps(run(h, x + 1), zero));
      __m128 bottom = _mm_add_ps(_mm_mul_ps(run(b, x), one), _mm_mul_ps(run(b, x + 1), zero));
      return _mm_add_ps(_mm_mul_ps(top, one), _mm_mul_ps(bottom, zero));
    };
    adv_x = at_corner(here.vel_x, below.vel_x);
    adv_z = at_corner(here.vel_z, below.vel_z);
    foam_x = foam_z = at_corner(here.foam, below.foam);
  } else if (NearTrace nx, nz; nx.aim(sx_x, sz_x, cx, cz) && nz.aim(sx_z, sz_z, cx, cz)) {
    adv_x = nx.sample(above.vel_x, here.vel_x, below.vel_x, x);
    foam_x = nx.sample(above.foam, here.foam, below.foam, x);
    adv_z = nz.sample(above.vel_z, here.vel_z, below.vel_z, x);
    foam_z = nz.sample(above.foam, here.foam, below.foam, x);
  } else {
    near = false;
    __m128 sx[4], sz[4];
    sample_records(sx_x, sz_x, sx);
    sample_records(sx_z, sz_z, sz);
    _MM_TRANSPOSE4_PS(sx[0], sx[1], sx[2], sx[3]);
    _MM_TRANSPOSE4_PS(sz[0], sz[1], sz[2], sz[3]);
    adv_x = sx[1];
    foam_x = sx[3];
    adv_z = sz[2];
    foam_z = sz[3];
  }

  Faces fx = face_velocities(c, a0, h0, run(here.amount, x + 1), load_run(h_row, x + 1), adv_x, x, z);
  Faces fz = face_velocities(c, a0, h0, run(below.amount, x), _mm_load_ps(row_of(hmap, z + 1) + x), adv_z, x, z);

  __m128 spread = _mm_add_ps(_mm_mul_ps(splat(2.0f), _mm_add_ps(foam_x, foam_z)), run(here.foam, x - 1));
  spread = _mm_add_ps(_mm_add_ps(_mm_add_ps(spread, run(here.foam, x + 1)), run(above.foam, x)), run(below.foam, x));
  __m128 foam = _mm_add_ps(_mm_add_ps(_mm_add_ps(fx.pressure_foam, fz.pressure_foam), fx.splash), fz.splash);
  foam = _mm_add_ps(foam, _mm_mul_ps(_mm_mul_ps(spread, splat(0.125f)), splat(c.foam_decay)));
  foam = min_of(splat(1.0f), foam);

  // Shallow water dries: below 0.5 it shrinks, below 0.01 it is gone.
  const __m128 zero = _mm_setzero_ps();
  __m128 drying = _mm_and_ps(_mm_cmpgt_ps(a0, zero), _mm_cmplt_ps(a0, splat(DRYING_DEPTH)));
  __m128 dried = _mm_and_ps(_mm_cmpge_ps(a0, splat(DRY_DEPTH)), _mm_mul_ps(a0, splat(c.water_damping)));
  __m128 amount = select(drying, dried, a0);

  const int i = cell_index(x, z);
  _mm_store_ps(flow_amount + i, amount);
  _mm_store_ps(amount_now + i, amount);
  _mm_store_ps(face_vel_x + i, fx.vel);
  _mm_store_ps(face_vel_z + i, fz.vel);
  __m128 r0 = amount, r1 = fx.vel, r2 = fz.vel, r3 = foam;
  _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
  Water* out = &water[z][x];
  _mm_store_ps(&out[0].amount, r0);
  _mm_store_ps(&out[1].amount, r1);
  _mm_store_ps(&out[2].amount, r2);
  _mm_store_ps(&out[3].amount, r3);

  int lava = _mm_movemask_ps(_mm_cmplt_ps(a0, zero));
  if (lava) {
    alignas(16) float depth[4];
    _mm_store_ps(depth, abs_of(a0));
    for (int l = 0; l < 4; ++l)
      if (lava & (1 << l)) cool_lava(c, x + l, z, depth[l]);
    return false;
  }
  return near && !fx.lava && !fz.lava && same_bits(amount, a0) && same_bits(fx.vel, vx0) &&
         same_bits(fz.vel, vz0) && same_bits(foam, run(here.foam, x));
}

// How much a cell sends out along its new face velocities, decided from the
// amount it held when transport began: speeds left, up, right, down; a speed
// that is negative or faces higher ground counts 0. Shares are out * speed /
// total per direction.
struct Outflow {
  alignas(16) float out[4];
  alignas(16) float total[4];
  alignas(16) float speed[4][4];  // [direction][lane]
  alignas(16) float share[4][4];  // [direction][lane]
  int moving;                     // lane bits
};

inline void decide_outflow(const StepConstants& c, int x, int z, Outflow& o) {
  const __m128 zero = _mm_setzero_ps();
  const int i = cell_index(x, z);
  const float* h_row = row_of(hmap, z);
  __m128 start = _mm_load_ps(flow_amount + i);
  __m128 depth = abs_of(start);
  __m128 level = _mm_add_ps(_mm_load_ps(h_row + x), depth);
  __m128 speed[4] = {negate(load_run(row_of(face_vel_x, z), x - 1)), negate(_mm_load_ps(row_of(face_vel_z, z - 1) + x)),
                     _mm_load_ps(face_vel_x + i), _mm_load_ps(face_vel_z + i)};
  __m128 ground[4] = {load_run(h_row, x - 1), _mm_load_ps(row_of(hmap, z - 1) + x), load_run(h_row, x + 1),
                      _mm_load_ps(row_of(hmap, z + 1) + x)};
  for (int k = 0; k < 4; ++k) {
    __m128 open = _mm_andnot_ps(_mm_cmpgt_ps(ground[k], level), _mm_cmpge_ps(speed[k], zero));
    speed[k] = _mm_and_ps(open, speed[k]);
  }
  __m128 total = _mm_add_ps(_mm_add_ps(_mm_add_ps(speed[0], speed[1]), speed[2]), speed[3]);
  __m128 out = _mm_mul_ps(splat(c.outflow_rate), total);
  o.moving = _mm_movemask_ps(_mm_and_ps(_mm_cmpgt_ps(out, splat(OUTFLOW_THRESHOLD)), _mm_cmpneq_ps(start, zero)));
  if (!o.moving) return;
  out = min_of(out, depth);
  _mm_store_ps(o.out, out);
  _mm_store_ps(o.total, total);
  for (int k = 0; k < 4; ++k) {
    _mm_store_ps(o.speed[k], speed[k]);
    _mm_store_ps(o.share[k], _mm_div_ps(_mm_mul_ps(out, speed[k]), total));
  }
}

// The per-cell rules of the world data work on `water`; around a call the
// cell's amount is handed over from the transport grid and back.
template <typename Rule>
void apply_cell_rule(Rule rule, int t, float share) {
  water_at(t).amount = amount_now[t];
  rule(t, share);
  amount_now[t] = water_at(t).amount;
}

// Moves lane l's outflow into its neighbours, in the order left, up, right,
// down. Returns true when the fluid met the other kind somewhere, which
// changes ground heights and maybe velocities that later decisions read.
bool transport_cell(int x, int z, int l, const Outflow& o) {
  const int i = cell_index(x + l, z);
  const int targets[4] = {cell_index(x + l - 1, z), cell_index(x + l, z - 1), cell_index(x + l + 1, z),
                          cell_index(x + l, z + 1)};
  const bool lava = flow_amount[i] < 0.0f;
  // Fluid of the other kind that arrived earlier in this phase may have
  // cancelled part of the cell's own; only what is left can flow out.
  float available = lava ? -amount_now[i] : amount_now[i];
  float out = o.out[l];
  float share[4] = {o.share[0][l], o.share[1][l], o.share[2][l], o.share[3][l]};
  if (available < out) {
    out = std::min(out, available);
    if (!(out > 0.0f)) return false;
    for (int k = 0; k < 4; ++k) share[k] = out * o.speed[k][l] / o.total[l];
  }

  // A zero share changes nothing, and fluid reaching a dry cell or fluid of
  // its own kind just adds up; only meeting the other kind needs the full
  // per-cell rule.
  bool meets = false;
  for (int k = 0; k < 4; ++k) {
    float b = amount_now[targets[k]];
    meets |= (share[k] > 0.0f) & (lava ? b > 0.0f : b < 0.0f);
  }
  if (lava) {
    amount_now[i] += out;
    for (int k = 0; k < 4; ++k) {
      if (meets) {
        apply_cell_rule(addLavaAt, targets[k], share[k]);
      } else {
        float b = amount_now[targets[k]], more = b - share[k];
        amount_now[targets[k]] = share[k] > 0.0f ? more : b;
      }
    }
  } else {
    amount_now[i] -= out;
    for (int k = 0; k < 4; ++k) {
      if (meets) {
        apply_cell_rule(addWaterAt, targets[k], share[k]);
      } else {
        float b = amount_now[targets[k]], more = b + share[k];
        amount_now[targets[k]] = share[k] > 0.0f ? more : b;
      }
    }
  }
  if (meets)
    for (int t : targets) {
      face_vel_x[t] = water_at(t).vel_x;
      face_vel_z[t] = water_at(t).vel_z;
      touched_runs[t >> HMAP_SIZE_SHIFT] |= run_bit(t & HMAP_MASK);
    }
  return meets;
}

inline __m128 shift_up_lane(__m128 v) { return _mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(v), 4)); }
inline __m128 shift_down_lane(__m128 v) { return _mm_castsi128_ps(_mm_srli_si128(_mm_castps_si128(v), 4)); }

// Water moving among water and dry ground only, with every source holding at
// least its outflow: nothing meets lava and nothing is cut short, so the
// four cells' moves reduce to additions, applied here four-wide in the order
// the cell-by-cell walk would apply them to each cell. Returns false, having
// changed nothing, when the run does not qualify.
bool transport_water_run(int x, int z, const Outflow& o) {
  const __m128 zero = _mm_setzero_ps();
  const int i = cell_index(x, z), left = cell_index(x - 1, z), right = cell_index(x + 4, z);
  float* up_row = row_of(amount_now, z - 1) + x;
  float* down_row = row_of(amount_now, z + 1) + x;
  __m128 here = _mm_load_ps(amount_now + i), up = _mm_load_ps(up_row), down = _mm_load_ps(down_row);
  __m128 out = _mm_load_ps(o.out);
  __m128 moving = _mm_castsi128_ps(_mm_cmpgt_epi32(
      _mm_and_si128(_mm_set1_epi32(o.moving), _mm_setr_epi32(1, 2, 4, 8)), _mm_setzero_si128()));
  __m128 all_water = _mm_and_ps(_mm_and_ps(_mm_cmpge_ps(here, zero), _mm_cmpge_ps(up, zero)),
                                _mm_cmpge_ps(down, zero));
  __m128 full_water_source = _mm_and_ps(_mm_cmpge_ps(here, out), _mm_cmpgt_ps(_mm_load_ps(flow_amount + i), zero));
  __m128 fits = _mm_and_ps(all_water, _mm_or_ps(_mm_andnot_ps(moving, all_water), full_water_source));
  if (_mm_movemask_ps(fits) != 0xF || !(amount_now[left] >= 0.0f) || !(amount_now[right] >= 0.0f)) return false;

  __m128 share[4], gives[4];
  for (int k = 0; k < 4; ++k) {
    share[k] = _mm_load_ps(o.share[k]);
    gives[k] = _mm_and_ps(moving, _mm_cmpgt_ps(share[k], zero));
  }
  _mm_store_ps(up_row, _mm_blendv_ps(up, _mm_add_ps(up, share[1]), gives[1]));
  _mm_store_ps(down_row, _mm_blendv_ps(down, _mm_add_ps(down, share[3]), gives[3]));
  // Each cell: first what its left neighbour sends right, then its own
  // outflow leaves, then what its right neighbour sends left.
  here = _mm_blendv_ps(here, _mm_add_ps(here, shift_up_lane(share[2])), shift_up_lane(gives[2]));
  here = _mm_blendv_ps(here, _mm_sub_ps(here, out), moving);
  here = _mm_blendv_ps(here, _mm_add_ps(here, shift_down_lane(share[0])), shift_down_lane(gives[0]));
  _mm_store_ps(amount_now + i, here);
  alignas(16) float to_left[4], to_right[4];
  _mm_store_ps(to_left, _mm_and_ps(gives[0], share[0]));
  _mm_store_ps(to_right, _mm_and_ps(gives[2], share[2]));
  if (o.moving & 1 && to_left[0] > 0.0f) amount_now[left] += to_left[0];
  if (o.moving & 8 && to_right[3] > 0.0f) amount_now[right] += to_right[3];
  return true;
}

void transport_run(const StepConstants& c, int x, int z) {
  Outflow o;
  decide_outflow(c, x, z, o);
  if (!o.moving || transport_water_run(x, z, o)) return;
  for (int l = 0; l < 4; ++l) {
    if (!(o.moving & (1 << l))) continue;
    if (transport_cell(x, z, l, o) && l < 3) {
      // Ground or velocities next to the later cells of this run may have
      // changed: decide those again from the current state.
      decide_outflow(c, x, z, o);
    }
  }
}

}  // namespace

void simWater(float dt) {
  StepConstants c(dt);
  uint32_t dt_bits;
  std::memcpy(&dt_bits, &dt, sizeof dt_bits);
  const bool same_dt = dt_bits == last_dt_bits;
  last_dt_bits = dt_bits;

  static FluidRow rows[3];
  input_changed[HMAP_MASK] = rows[0].take(HMAP_MASK);
  input_changed[0] = rows[1].take(0);
  rows_in_tmpw = 0;
  for (int z = 0; z < HMAP_SIZE; ++z) {
    // Row r lives in rows[(r + 1) % 3]; row 255 starts as row -1.
    const FluidRow& above = rows[z % 3];
    const FluidRow& here = rows[(z + 1) % 3];
    FluidRow& below = rows[(z + 2) % 3];
    if (z + 1 < HMAP_MASK) {
      input_changed[z + 1] = below.take(z + 1);
      rows_in_tmpw = z + 1;
    } else {
      below.load(z + 1);
    }
    uint64_t changed_near = input_changed[(z - 1) & HMAP_MASK] | input_changed[z] | input_changed[(z + 1) & HMAP_MASK];
    changed_near |= rotate_left(changed_near) | rotate_right(changed_near);
    const uint64_t skip = same_dt ? settled_runs[z] & ~changed_near : 0;
    uint64_t steady = skip;
    for (int x = 0; x < HMAP_SIZE; x += 4)
      if (!(skip & run_bit(x)) && update_run(c, above, here, below, x, z)) steady |= run_bit(x);
    steady_runs[z] = steady;
    touched_runs[z] = 0;
  }
  rows_in_tmpw = HMAP_MASK;

  // Transport. A row is final once the row below it is done, except rows 0
  // and 255, which the other end of the map still reaches. A steady run
  // stays settled if transport left its cells alone too.
  auto write_back = [](int z) {
    Water* row = water[z];
    const float* amounts = row_of(amount_now, z);
    const float* start = row_of(flow_amount, z);
    uint64_t kept = 0;
    for (int x = 0; x < HMAP_SIZE; x += 4) {
      __m128 now = _mm_load_ps(amounts + x);
      if (same_bits(now, _mm_load_ps(start + x))) kept |= run_bit(x);
      for (int l = 0; l < 4; ++l) row[x + l].amount = amounts[x + l];
    }
    settled_runs[z] = steady_runs[z] & kept & ~touched_runs[z];
  };
  for (int z = 0; z < HMAP_SIZE; ++z) {
    for (int x = 0; x < HMAP_SIZE; x += 4) {
      __m128 start = _mm_load_ps(flow_amount + cell_index(x, z));
      if (_mm_movemask_ps(_mm_cmpneq_ps(start, _mm_setzero_ps())) != 0) transport_run(c, x, z);
    }
    if (z >= 3) write_back(z - 2);
  }
  for (int z : {HMAP_SIZE - 2, HMAP_SIZE - 1, 0}) write_back(z);
}

}  // namespace HeightmapData
