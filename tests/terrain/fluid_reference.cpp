// The fluid step written cell by cell, exactly as its rules read, without any
// four-wide processing. Tests compare simWater against it bit for bit.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <smmintrin.h>

#include "terrain/grid_math.h"
#include "terrain/heightmap_data.h"
#include "terrain/noise.h"
#include "terrain/surface_color.h"
#include "tests/terrain/fluid_reference.h"

using namespace HeightmapData;

namespace {

alignas(16) float flow_amount[HMAP_CELLS];  // own scratch: the real one is private to simWater

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

inline const Water& old_at(int x, int z) { return tmpw[z & HMAP_MASK][x & HMAP_MASK]; }

// Bilinear sample of the whole record of tmpw at a point in cell coordinates:
// lanes (amount, vel_x, vel_z, foam).
inline __m128 sample_old(float sx, float sz) {
  __m128 floors = _mm_floor_ps(_mm_setr_ps(sx, sz, 0.0f, 0.0f));
  __m128 fracs = _mm_sub_ps(_mm_setr_ps(sx, sz, 0.0f, 0.0f), floors);
  // Truncation of an out-of-range value gives INT_MIN: still a valid cell.
  __m128i cells = _mm_cvttps_epi32(floors);
  int ix = _mm_cvtsi128_si32(cells);
  int iz = _mm_extract_epi32(cells, 1);
  __m128 tx = _mm_shuffle_ps(fracs, fracs, _MM_SHUFFLE(0, 0, 0, 0));
  __m128 tz = _mm_shuffle_ps(fracs, fracs, _MM_SHUFFLE(1, 1, 1, 1));
  const __m128 one = _mm_set1_ps(1.0f);
  __m128 ux = _mm_sub_ps(one, tx), uz = _mm_sub_ps(one, tz);
  auto load = [](int x, int z) { return _mm_load_ps(&old_at(x, z).amount); };
  __m128 top = _mm_add_ps(_mm_mul_ps(load(ix, iz), ux), _mm_mul_ps(load(ix + 1, iz), tx));
  __m128 bottom = _mm_add_ps(_mm_mul_ps(load(ix, iz + 1), ux), _mm_mul_ps(load(ix + 1, iz + 1), tx));
  return _mm_add_ps(_mm_mul_ps(top, uz), _mm_mul_ps(bottom, tz));
}

inline float lane(__m128 v, int i) {
  alignas(16) float f[4];
  _mm_store_ps(f, v);
  return f[i];
}

// Per-cell roughness that makes thin lava stick: 0.15..1.
inline float lava_roughness(int x, int z) {
  int k = noise_perm[(z & HMAP_MASK) + noise_perm[x & HMAP_MASK]];
  return 0.15f + 0.85f * float(k) / 255.0f;
}

struct FaceResult {
  float vel;
  float pressure_foam;
  float splash;
};

// One face between this cell (a0, h0) and its neighbour (a1, h1), given the
// advected velocity.
inline FaceResult face_velocity(const StepConstants& c, float a0, float h0, float a1, float h1, float advected,
                                int x, int z) {
  float d0 = std::fabs(a0), d1 = std::fabs(a1);
  float p = ((h0 + d0) - (h1 + d1)) * c.pressure_gain;
  float v;
  if (a0 + a1 >= 0.0f) {
    v = advected * c.water_damping + p;
  } else {
    // Lava: friction pulls the pressure term towards zero, and thin lava sticks.
    p = p > c.dt ? p - c.dt : (p < -c.dt ? p + c.dt : 0.0f);
    v = advected * c.lava_damping + LAVA_PRESSURE_SHARE * p;
    float sticky = -(std::min(a0, 0.0f) + std::min(a1, 0.0f)) * lava_roughness(x, z);
    if (sticky < LAVA_STOP_DEPTH)
      v = 0.0f;
    else if (sticky < LAVA_FREE_DEPTH)
      v = v * (sticky - LAVA_STOP_DEPTH) * LAVA_RAMP_SCALE;
  }
  float up = std::min(d0, (h0 + d0) - h1);
  float down = std::min(d1, (h1 + d1) - h0);
  float splash = 0.0f;
  if ((v >= 0.0f && up <= 0.0f) || (v < 0.0f && down <= 0.0f)) {
    v = 0.0f;
    splash = SPLASH_FOAM;
  }
  return {v, FOAM_FROM_PRESSURE * (p * p), splash};
}

// Cooling lava darkens its cell and spreads the colour a little around it.
void diffuse_colors(int x, int z) {
  const int neighbours[4] = {cell_index(x - 1, z), cell_index(x, z - 1), cell_index(x + 1, z),
                             cell_index(x, z + 1)};
  Surface& own = surface[cell_index(x, z)];
  __m128 color_sum = _mm_mul_ps(_mm_set1_ps(4.0f), unpack_color(own.color));
  __m128 overlay_sum = _mm_mul_ps(_mm_set1_ps(4.0f), unpack_color(own.overlay));
  for (int n : neighbours) {
    color_sum = _mm_add_ps(color_sum, unpack_color(surface[n].color));
    overlay_sum = _mm_add_ps(overlay_sum, unpack_color(surface[n].overlay));
  }
  __m128 color_avg = _mm_mul_ps(color_sum, _mm_set1_ps(0.125f));
  __m128 overlay_avg = _mm_mul_ps(overlay_sum, _mm_set1_ps(0.125f));
  own.color = blend_color(own.color, color_avg, OWN_COLOR_DIFFUSION);
  own.overlay = blend_color(own.overlay, overlay_avg, OWN_COLOR_DIFFUSION);
  for (int n : neighbours) {
    surface[n].color = blend_color(surface[n].color, color_avg, NEIGHBOUR_COLOR_DIFFUSION);
    surface[n].overlay = blend_color(surface[n].overlay, overlay_avg, NEIGHBOUR_COLOR_DIFFUSION);
  }
}

void cool_lava(const StepConstants& c, int x, int z, float depth) {
  float cool = depth <= LAVA_SET_DEPTH ? depth : depth * c.cooling;
  water[z][x].amount += cool;
  depositRock(cell_index(x, z), cool);
  diffuse_colors(x, z);
}

void dry_water(const StepConstants& c, int x, int z, float depth) {
  if (depth > 0.0f && depth < DRYING_DEPTH) water[z][x].amount = depth >= DRY_DEPTH ? depth * c.water_damping : 0.0f;
}

// Phase 1 for one cell: new face velocities and foam from tmpw, then cooling
// or drying of the cell's own fluid.
void update_cell(const StepConstants& c, int x, int z) {
  const int i = cell_index(x, z);
  const Water& here = old_at(x, z);
  const float a0 = here.amount;
  const float h0 = hmap[i];

  const Water& right = old_at(x + 1, z);
  float mean_vz = (here.vel_z + right.vel_z + old_at(x, z - 1).vel_z + old_at(x + 1, z - 1).vel_z) * 0.25f;
  __m128 src_x = sample_old(float(x) - here.vel_x * c.dt, float(z) - mean_vz * c.dt);
  FaceResult fx = face_velocity(c, a0, h0, right.amount, hmap[cell_index(x + 1, z)], lane(src_x, 1), x, z);

  const Water& below = old_at(x, z + 1);
  float mean_vx = (here.vel_x + old_at(x - 1, z).vel_x + below.vel_x + old_at(x - 1, z + 1).vel_x) * 0.25f;
  __m128 src_z = sample_old(float(x) - mean_vx * c.dt, float(z) - here.vel_z * c.dt);
  FaceResult fz = face_velocity(c, a0, h0, below.amount, hmap[cell_index(x, z + 1)], lane(src_z, 2), x, z);

  float spread = 2.0f * (lane(src_x, 3) + lane(src_z, 3)) + old_at(x - 1, z).foam + right.foam +
                 old_at(x, z - 1).foam + below.foam;
  Water& out = water[z][x];
  out.vel_x = fx.vel;
  out.vel_z = fz.vel;
  out.foam =
      std::min(1.0f, fx.pressure_foam + fz.pressure_foam + fx.splash + fz.splash + spread * 0.125f * c.foam_decay);

  if (a0 < 0.0f)
    cool_lava(c, x, z, -a0);
  else
    dry_water(c, x, z, a0);
  flow_amount[i] = out.amount;
}

// Phase 3 for one cell holding fluid at the start of transport.
void transport_cell(const StepConstants& c, int x, int z, float start_amount) {
  const int i = cell_index(x, z);
  const float depth = std::fabs(start_amount);
  const float level = hmap[i] + depth;
  const int targets[4] = {cell_index(x - 1, z), cell_index(x, z - 1), cell_index(x + 1, z), cell_index(x, z + 1)};
  float speed[4] = {-water_at(targets[0]).vel_x, -water_at(targets[1]).vel_z, water_at(i).vel_x,
                    water_at(i).vel_z};
  for (int k = 0; k < 4; ++k)
    if (!(speed[k] >= 0.0f) || hmap[targets[k]] > level) speed[k] = 0.0f;
  float total = speed[0] + speed[1] + speed[2] + speed[3];
  float out = c.outflow_rate * total;
  if (out <= OUTFLOW_THRESHOLD) return;
  out = std::min(out, depth);

  Water& src = water_at(i);
  // Fluid of the other kind that arrived earlier in this phase may have
  // cancelled part of the cell's own; only what is left can flow out.
  bool lava = start_amount < 0.0f;
  float available = lava ? -src.amount : src.amount;
  out = std::min(out, available);
  if (!(out > 0.0f)) return;

  if (lava) {
    src.amount += out;
    for (int k = 0; k < 4; ++k) addLavaAt(targets[k], out * speed[k] / total);
  } else {
    src.amount -= out;
    for (int k = 0; k < 4; ++k) addWaterAt(targets[k], out * speed[k] / total);
  }
}

}  // namespace

void reference_sim_water(float dt) {
  StepConstants c(dt);
  std::memcpy(tmpw, water, sizeof(water));

  for (int z = 0; z < HMAP_SIZE; ++z)
    for (int x = 0; x < HMAP_SIZE; ++x) update_cell(c, x, z);

  for (int z = 0; z < HMAP_SIZE; ++z)
    for (int x = 0; x < HMAP_SIZE; ++x) {
      float a = flow_amount[cell_index(x, z)];
      if (a != 0.0f) transport_cell(c, x, z, a);
    }
}
