// Water and lava: one shallow-fluid model on the wrapping grid. Each cell holds
// a signed depth (water > 0, lava < 0) and the faces towards x+1 and z+1 carry
// the flow velocities. A step advects and accelerates the face velocities
// (reading only the step's input, which it leaves in tmpw), updates foam,
// cools lava and dries shallow water, then moves fluid between neighbours
// along the new velocities. Where lava meets water both cancel and the met
// part hardens into ground.
//
// Cells are processed four (or, with AVX, eight) at a time along a row; the
// update phase is in fluid_update.h. Every lane computes exactly
// the float operations of the one-cell rule in the same order, so the result
// is bit for bit that of visiting the cells one by one; the cell-by-cell parts
// (lava cooling with its colour spread, transport into neighbours) stay in
// visiting order.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <smmintrin.h>

#include "core/two_part_job.h"
#include "terrain/fluid_update.h"
#include "terrain/heightmap_data.h"
#include "terrain/surface_color.h"

namespace HeightmapData {
namespace fluid_step {

alignas(32) float flow_amount[HMAP_CELLS];
alignas(32) float amount_now[HMAP_CELLS];
alignas(32) float face_vel_x[HMAP_CELLS];
alignas(32) float face_vel_z[HMAP_CELLS];
alignas(32) float new_foam[HMAP_CELLS];
bool wide_update = __builtin_cpu_supports("avx");
bool leave_settled_tiles = true;

}  // namespace fluid_step

namespace {
using namespace fluid_step;

constexpr float LAVA_SET_DEPTH = 0.003f;  // thinner lava hardens at once
constexpr float OUTFLOW_THRESHOLD = 0.001f;
constexpr float OWN_COLOR_DIFFUSION = 0.1f;
constexpr float NEIGHBOUR_COLOR_DIFFUSION = 0.03f;


StepConstants step_constants(float step) {
  StepConstants c;
  c.dt = step;
  c.pressure_gain = PRESSURE_GAIN * step;
  c.water_damping = std::max(1.0f - WATER_DAMPING_RATE * step, 0.0f);
  c.lava_damping = std::max(1.0f - LAVA_DAMPING_RATE * step, 0.0f);
  c.cooling = std::min(LAVA_COOLING_RATE * step, 1.0f);
  c.foam_decay = std::max(1.0f - FOAM_DECAY_RATE * step, 0.0f);
  c.outflow_rate = OUTFLOW_RATE * step;
  return c;
}

inline __m128 splat(float v) { return _mm_set1_ps(v); }
// std::min(a, b), including which operand a NaN yields.
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

void split_into(FluidRow& row, int x, __m128 r0, __m128 r1, __m128 r2, __m128 r3) {
  _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
  _mm_store_ps(row.amount + PAD + x, r0);
  _mm_store_ps(row.vel_x + PAD + x, r1);
  _mm_store_ps(row.vel_z + PAD + x, r2);
  _mm_store_ps(row.foam + PAD + x, r3);
}

void pad(FluidRow& row) {
  for (float* f : {row.amount, row.vel_x, row.vel_z, row.foam}) {
    std::memcpy(f, f + HMAP_SIZE, PAD * sizeof(float));
    std::memcpy(f + PAD + HMAP_SIZE, f + PAD, PAD * sizeof(float));
  }
}

void split_row(FluidRow& row, const Water* src, TileRow tiles) {
  for_each_run(tiles, [&](int x0, int x1) {
    for (int x = x0; x < x1; x += 4)
      split_into(row, x, _mm_load_ps(&src[x].amount), _mm_load_ps(&src[x + 1].amount),
                 _mm_load_ps(&src[x + 2].amount), _mm_load_ps(&src[x + 3].amount));
  });
  pad(row);
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

}  // namespace

namespace fluid_step {

void FluidRow::load(int z, TileRow tiles) { split_row(*this, tmpw[z & HMAP_MASK], tiles); }

void FluidRow::take(int z, TileRow tiles) {
  const Water* src = water[z];
  Water* input = tmpw[z];
  for_each_run(tiles, [&](int x0, int x1) {
    for (int x = x0; x < x1; x += 4) {
      __m128 r[4];
      for (int k = 0; k < 4; ++k) {
        r[k] = _mm_load_ps(&src[x + k].amount);
        _mm_store_ps(&input[x + k].amount, r[k]);
      }
      split_into(*this, x, r[0], r[1], r[2], r[3]);
    }
  });
  pad(*this);
}

void FluidRow::look(int z, TileRow tiles) { split_row(*this, water[z & HMAP_MASK], tiles); }

const Water& input_record(int i) { return water_at(i); }

void cool_lava(const StepConstants& c, int x, int z, float depth) {
  float cool = depth <= LAVA_SET_DEPTH ? depth : depth * c.cooling;
  int i = cell_index(x, z);
  flow_amount[i] = amount_now[i] = flow_amount[i] + cool;
  depositRock(i, cool);
  diffuse_colors(x, z);
}

bool update_row_narrow(const StepConstants& c, const FluidRow& above, const FluidRow& here, const FluidRow& below,
                       int z, TileRow tiles, bool cool_now) {
  return Rules<Lanes4>::update_row(c, above, here, below, z, tiles, cool_now);
}

}  // namespace fluid_step

namespace {

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
// cell's new state is handed over from the step's grids and back.
template <typename Rule>
void apply_cell_rule(Rule rule, int t, float share) {
  Water& w = water_at(t);
  w = Water{amount_now[t], face_vel_x[t], face_vel_z[t], new_foam[t]};
  rule(t, share);
  amount_now[t] = w.amount;
  face_vel_x[t] = w.vel_x;
  face_vel_z[t] = w.vel_z;
  new_foam[t] = w.foam;
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

// The step's input in tiles it neither computes nor reads is the world as it
// stands; tmpw must show that too.
void keep_input_copy(int z, TileRow tiles) {
  for_each_tile(tiles, [&](int tx) {
    Water* input = &tmpw[z][tx << TILE_SHIFT];
    const Water* now = &water[z][tx << TILE_SHIFT];
    if (!same_bits<TILE * sizeof(Water)>(input, now)) std::memcpy(input, now, TILE * sizeof(Water));
  });
}

// Writes row z's records in the computed tiles from the step's grids, and
// notes the tiles that did not settle.
void write_back(SettledTiles& tiles, int z) {
  Water* row = water[z];
  const int i = z << HMAP_SIZE_SHIFT;
  const __m128 zero = _mm_setzero_ps();
  for_each_tile(tiles.computed(z >> TILE_SHIFT), [&](int tx) {
    const int x0 = tx << TILE_SHIFT;
    __m128 moving_or_lava = zero;
    for (int x = x0; x < x0 + TILE; x += 4) {
      __m128 r0 = _mm_load_ps(amount_now + i + x), r1 = _mm_load_ps(face_vel_x + i + x);
      __m128 r2 = _mm_load_ps(face_vel_z + i + x), r3 = _mm_load_ps(new_foam + i + x);
      moving_or_lava = _mm_or_ps(moving_or_lava, _mm_or_ps(_mm_cmplt_ps(r0, zero), abs_of(_mm_or_ps(r1, r2))));
      _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
      _mm_store_ps(&row[x].amount, r0);
      _mm_store_ps(&row[x + 1].amount, r1);
      _mm_store_ps(&row[x + 2].amount, r2);
      _mm_store_ps(&row[x + 3].amount, r3);
    }
    if (!_mm_testz_si128(_mm_castps_si128(moving_or_lava), _mm_castps_si128(moving_or_lava)) ||
        !same_bits<TILE * sizeof(Water)>(&row[x0], &tmpw[z][x0]))
      tiles.mark_unsettled(tile_of(x0, z));
  });
}

SettledTiles settled_tiles;

TileRow read_in_row(int z) { return settled_tiles.read((z & HMAP_MASK) >> TILE_SHIFT); }
TileRow computed_in_row(int z) { return settled_tiles.computed((z & HMAP_MASK) >> TILE_SHIFT); }

// Phase 1 for the rows first..last (last < 255) with their own row buffers.
// The band copies its rows into tmpw, and row 255 before row 0; the rows
// just outside it are split from `water`, which holds the same. Where
// cool_now is false the band's lava is left to cool later and deferred_lava
// marks the rows that have some.
void update_band(const StepConstants& c, FluidRow rows[3], int first, int last, bool cool_now, bool deferred_lava[]) {
  if (first == 0) {
    rows[0].take(HMAP_MASK, read_in_row(HMAP_MASK));
  } else {
    rows[0].look(first - 1, read_in_row(first - 1));
  }
  rows[1].take(first, read_in_row(first));
  for (int z = first; z <= last; ++z) {
    const FluidRow& above = rows[(z - first) % 3];
    const FluidRow& here = rows[(z - first + 1) % 3];
    FluidRow& below = rows[(z - first + 2) % 3];
    if (z < last) {
      below.take(z + 1, read_in_row(z + 1));
    } else {
      below.look(z + 1, read_in_row(z + 1));
    }
    keep_input_copy(z, ~read_in_row(z));
    const bool lava = wide_update ? update_row_wide(c, above, here, below, z, computed_in_row(z), cool_now)
                                  : update_row_narrow(c, above, here, below, z, computed_in_row(z), cool_now);
    deferred_lava[z] = lava && !cool_now;
  }
}

// The cooling the update of row z left for later, in visiting order.
void cool_row(const StepConstants& c, int z) {
  for_each_run(computed_in_row(z), [&](int x0, int x1) {
    for (int x = x0; x < x1; ++x)
      if (tmpw[z][x].amount < 0.0f) cool_lava(c, x, z, std::fabs(tmpw[z][x].amount));
  });
}

// Phase 1 in two bands at once, the upper on the calling thread. Cooling
// lava changes heights and colours that the rows around it read or change
// too, in visiting order: the upper band cools as it goes, the lower one's
// cooling waits until both are done, and row 255, which reads row 0, comes
// last. The update reads nothing that cooling earlier in its row changed,
// except the last cells of a row, which read the row's first cell: where
// that holds lava in the lower band, the bands run one after the other.
void update_rows(const StepConstants& c) {
  static FluidRow rows[2][3];
  static bool deferred_lava[HMAP_SIZE];
  constexpr int SPLIT = HMAP_SIZE / 2;
  bool split = true;
  for (int z = SPLIT; z < HMAP_MASK; ++z) split &= !(water[z][0].amount < 0.0f);
  if (split) {
    run_two_part_job([&](int part) {
      if (part == 0) {
        update_band(c, rows[0], 0, SPLIT - 1, true, deferred_lava);
      } else {
        update_band(c, rows[1], SPLIT, HMAP_MASK - 1, false, deferred_lava);
      }
    });
  } else {
    update_band(c, rows[0], 0, HMAP_MASK - 1, true, deferred_lava);
  }
  for (int z = SPLIT; z < HMAP_MASK; ++z)
    if (deferred_lava[z]) cool_row(c, z);
  FluidRow* last = rows[0];
  last[0].load(HMAP_MASK - 1, read_in_row(HMAP_MASK - 1));
  last[1].load(HMAP_MASK, read_in_row(HMAP_MASK));
  last[2].load(0, read_in_row(0));
  keep_input_copy(HMAP_MASK, ~read_in_row(HMAP_MASK));
  if (wide_update)
    update_row_wide(c, last[0], last[1], last[2], HMAP_MASK, computed_in_row(HMAP_MASK), true);
  else
    update_row_narrow(c, last[0], last[1], last[2], HMAP_MASK, computed_in_row(HMAP_MASK), true);
}

}  // namespace

int fluid_step::tiles_left_alone() { return settled_tiles.left_alone(); }

void simWater(float dt) {
  SettledTiles& tiles = settled_tiles;
  tiles.plan(dt, leave_settled_tiles);
  const StepConstants c = step_constants(dt);
  update_rows(c);

  // Transport, in visiting order: every row adds into the rows around it.
  for (int z = 0; z < HMAP_SIZE; ++z) {
    for_each_run(tiles.computed(z >> TILE_SHIFT), [&](int x0, int x1) {
      for (int x = x0; x < x1; x += 4) {
        __m128 start = _mm_load_ps(flow_amount + cell_index(x, z));
        if (_mm_movemask_ps(_mm_cmpneq_ps(start, _mm_setzero_ps())) != 0) transport_run(c, x, z);
      }
    });
  }
  // The records, written once from the grids: rows are independent, and the
  // halves are whole rows of tiles.
  run_two_part_job([&](int part) {
    for (int z = part * HMAP_SIZE / 2; z < (part + 1) * HMAP_SIZE / 2; ++z) write_back(tiles, z);
  });
  tiles.finish();
}

}  // namespace HeightmapData
