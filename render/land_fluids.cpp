#include "render/land_fluids.h"
#include <cmath>
#include <cstdint>

namespace LandFluids {
using namespace HeightmapData;

State state;

namespace {
// Fluid of each kind beyond the threshold: its level, else NO_SURFACE.
float water_level[HMAP_CELLS], lava_level[HMAP_CELLS];

inline int wrap_offset(int d) {
  d &= HMAP_MASK;
  return d >= HMAP_SIZE / 2 ? d - HMAP_SIZE : d;
}

// A dry cell beside fluid: the average level of its wet neighbours, no
// higher than its own ground.
inline float shore_surface(const float* level, int x, int z, float ground) {
  float sum = 0.f;
  int n = 0;
  for (int dz = -1; dz <= 1; dz++)
    for (int dx = -1; dx <= 1; dx++) {
      if (!dx && !dz) continue;
      float v = level[cell_index(x + dx, z + dz)];
      if (v != NO_SURFACE) {
        sum += v;
        n++;
      }
    }
  if (!n) return NO_SURFACE;
  return std::min(sum / float(n), ground);
}

inline FlowCell sample_flow(const FlowCell* f, float x, float z) {
  float fx = std::floor(x), fz = std::floor(z);
  float tx = x - fx, tz = z - fz;
  int x0 = int(fx), z0 = int(fz);
  const FlowCell& a = f[cell_index(x0, z0)];
  const FlowCell& b = f[cell_index(x0 + 1, z0)];
  const FlowCell& c = f[cell_index(x0, z0 + 1)];
  const FlowCell& d = f[cell_index(x0 + 1, z0 + 1)];
  float wa = (1 - tx) * (1 - tz), wb = tx * (1 - tz), wc = (1 - tx) * tz, wd = tx * tz;
  return {a.ax * wa + b.ax * wb + c.ax * wc + d.ax * wd, a.az * wa + b.az * wb + c.az * wc + d.az * wd,
          a.bx * wa + b.bx * wb + c.bx * wc + d.bx * wd, a.bz * wa + b.bz * wb + c.bz * wc + d.bz * wd};
}
}  // namespace

namespace {
// Which cells have fluid of a kind (bit 0 water, bit 1 lava), and which lie
// within one cell of some (the same bits, spread to the eight neighbours):
// only those can take a shore surface.
uint8_t wet[HMAP_CELLS], near_wet[HMAP_CELLS];

void spread_wet() {
  static uint8_t across[HMAP_CELLS];
  for (int z = 0; z < HMAP_SIZE; z++) {
    const uint8_t* w = wet + (z << HMAP_SIZE_SHIFT);
    uint8_t* a = across + (z << HMAP_SIZE_SHIFT);
    for (int x = 0; x < HMAP_SIZE; x++) a[x] = w[(x - 1) & HMAP_MASK] | w[x] | w[(x + 1) & HMAP_MASK];
  }
  for (int z = 0; z < HMAP_SIZE; z++) {
    const uint8_t* up = across + (((z - 1) & HMAP_MASK) << HMAP_SIZE_SHIFT);
    const uint8_t* mid = across + (z << HMAP_SIZE_SHIFT);
    const uint8_t* down = across + (((z + 1) & HMAP_MASK) << HMAP_SIZE_SHIFT);
    uint8_t* out = near_wet + (z << HMAP_SIZE_SHIFT);
    for (int x = 0; x < HMAP_SIZE; x++) out[x] = up[x] | mid[x] | down[x];
  }
}
}  // namespace

void compute_surfaces(float threshold, float* water_surf, float* lava_surf) {
  for (int i = 0; i < HMAP_CELLS; i++) {
    float a = water_at(i).amount, g = hmap[i];
    water_level[i] = a > threshold ? g + a : NO_SURFACE;
    lava_level[i] = a < -threshold ? g - a : NO_SURFACE;
    wet[i] = uint8_t((a > threshold) | ((a < -threshold) << 1));
  }
  spread_wet();
  for (int z = 0; z < HMAP_SIZE; z++)
    for (int x = 0; x < HMAP_SIZE; x++) {
      int i = cell_index(x, z);
      uint8_t near = near_wet[i];
      if (!near) {
        water_surf[i] = lava_surf[i] = NO_SURFACE;
        continue;
      }
      float g = hmap[i];
      water_surf[i] = water_level[i] != NO_SURFACE ? water_level[i]
                      : near & 1                   ? shore_surface(water_level, x, z, g)
                                                   : NO_SURFACE;
      lava_surf[i] = lava_level[i] != NO_SURFACE ? lava_level[i]
                     : near & 2                  ? shore_surface(lava_level, x, z, g)
                                                 : NO_SURFACE;
    }
}

void advect_flow(const FlowCell* prev, FlowCell* cur, float dt) {
  for (int z = 0; z < HMAP_SIZE; z++)
    for (int x = 0; x < HMAP_SIZE; x++) {
      float vx = water[z][x].vel_x + water[z][(x - 1) & HMAP_MASK].vel_x;
      float vz = water[z][x].vel_z + water[(z - 1) & HMAP_MASK][x].vel_z;
      int i = cell_index(x, z);
      // Still cells (most of the map: dry ground, calm sea) keep their flow.
      cur[i] = vx == 0.f && vz == 0.f ? prev[i] : sample_flow(prev, float(x) - vx * dt, float(z) - vz * dt);
    }
}

namespace {
void lay_flow_phase(FlowCell* field, int phase, int cam_x, int cam_z, float angle, float ox, float oz) {
  float c = std::cos(angle), s = std::sin(angle);
  for (int z = 0; z < HMAP_SIZE; z++)
    for (int x = 0; x < HMAP_SIZE; x++) {
      float dx = float(wrap_offset(x - cam_x)), dz = float(wrap_offset(z - cam_z));
      float u = c * dx - s * dz + ox, v = s * dx + c * dz + oz;
      FlowCell& f = field[cell_index(x, z)];
      if (phase == 0) {
        f.ax = u;
        f.az = v;
      } else {
        f.bx = u;
        f.bz = v;
      }
    }
}
}  // namespace

void seed_flow_phase(FlowCell* field, int phase, int cam_x, int cam_z) {
  float angle = state.flow_random.next01() * 6.2831853f;
  float ox = state.flow_random.next01() * 256.f, oz = state.flow_random.next01() * 256.f;
  lay_flow_phase(field, phase, cam_x, cam_z, angle, ox, oz);
}

void reset(int cam_x, int cam_z) {
  for (int b = 0; b < 2; b++)
    for (int i = 0; i < HMAP_CELLS; i++) state.water_surf[b][i] = state.lava_surf[b][i] = NO_SURFACE;
  for (auto& s : state.frame_surf) s[0] = s[1] = NO_SURFACE;
  state.cur = state.flow_cur = state.counter = 0;
  state.flow_random = SideRandom();
  // Fixed layouts: starting the renderer draws nothing from the game's
  // generator, so a world stays a function of its seed.
  lay_flow_phase(state.flow[0], 0, cam_x, cam_z, 0.f, 0.f, 0.f);
  lay_flow_phase(state.flow[0], 1, cam_x, cam_z, 2.1f, 97.f, 41.f);
  std::copy(state.flow[0], state.flow[0] + HMAP_CELLS, state.flow[1]);
}

void restart(bool high_quality, int cam_x, int cam_z) {
  reset(cam_x, cam_z);
  compute_surfaces(high_quality ? SURFACE_THRESHOLD_HIGH : SURFACE_THRESHOLD_LOW, state.water_surf[0],
                   state.lava_surf[0]);
  std::copy(state.water_surf[0], state.water_surf[0] + HMAP_CELLS, state.water_surf[1]);
  std::copy(state.lava_surf[0], state.lava_surf[0] + HMAP_CELLS, state.lava_surf[1]);
  blend(1.f);
}

void update(float dt, bool high_quality, int cam_x, int cam_z) {
  state.cur ^= 1;
  compute_surfaces(high_quality ? SURFACE_THRESHOLD_HIGH : SURFACE_THRESHOLD_LOW, state.water_surf[state.cur],
                   state.lava_surf[state.cur]);
  if (!high_quality) return;
  state.flow_cur ^= 1;
  FlowCell* cur = state.flow[state.flow_cur];
  advect_flow(state.flow[state.flow_cur ^ 1], cur, dt);
  state.counter = (state.counter + 1) % FLOW_PERIOD;
  if (state.counter == FLOW_PERIOD / 2) seed_flow_phase(cur, 0, cam_x, cam_z);
  if (state.counter == 0) seed_flow_phase(cur, 1, cam_x, cam_z);
}

void blend(float f) {
  const float *wp = state.water_surf[state.cur ^ 1], *wc = state.water_surf[state.cur];
  const float *lp = state.lava_surf[state.cur ^ 1], *lc = state.lava_surf[state.cur];
  for (int i = 0; i < HMAP_CELLS; i++) {
    state.frame_surf[i][0] = blend_surface(wp[i], wc[i], f);
    state.frame_surf[i][1] = blend_surface(lp[i], lc[i], f);
  }
}
}  // namespace LandFluids
