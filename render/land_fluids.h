#pragma once
#include <cstdint>
// The fluid surfaces and the water's flow field as the renderer sees them:
// taken from the grids once per update, blended between the last two updates
// every frame.
#include <cfloat>
#include "core/side_random.h"
#include "terrain/heightmap_data.h"

namespace LandFluids {
using HeightmapData::HMAP_CELLS;

// Marks a cell without a surface of that kind.
constexpr float NO_SURFACE = -FLT_MAX;
// Fluid thinner than this does not draw a surface of its own.
constexpr float SURFACE_THRESHOLD_HIGH = 0.01f;
constexpr float SURFACE_THRESHOLD_LOW = 0.1f;
// The flow phases are re-seeded in turn every FLOW_PERIOD / 2 updates.
constexpr int FLOW_PERIOD = 40;

// Texture coordinates (in cells) of the two flow phases A and B of a cell.
struct FlowCell {
  float ax, az, bx, bz;
};

struct State {
  // [buffer][cell]: buffer `cur` is the last update, the other the one before.
  float water_surf[2][HMAP_CELLS];
  float lava_surf[2][HMAP_CELLS];
  int cur;
  FlowCell flow[2][HMAP_CELLS];
  int flow_cur;
  int counter;  // updates since phase B was re-seeded, 0..FLOW_PERIOD-1
  // The phases' own random numbers: the look of the water never draws from
  // the game's generator, so the game plays the same at any quality.
  SideRandom flow_random;
  // The frame's blended (water, lava) surfaces per cell.
  float frame_surf[HMAP_CELLS][2];
};
extern State state;

// Surfaces of one kind from the grids: a cell with fluid beyond the
// threshold has ground + depth; a cell next to such cells takes the average
// of their levels capped at its own ground, so the surface reaches exactly to
// the shore; any other cell has NO_SURFACE.
void compute_surfaces(float threshold, float* water_surf, float* lava_surf);
// Moves the flow coordinates along the water's velocities.
void advect_flow(const FlowCell* prev, FlowCell* cur, float dt);
// A new coordinate grid for phase 0 (A) or 1 (B), rotated and offset at
// random, centred on the camera's cell.
void seed_flow_phase(FlowCell* field, int phase, int cam_x, int cam_z);

// Clears every surface and seeds both phases.
void reset(int cam_x, int cam_z);
// A new world: both updates' surfaces are the grids' own, so nothing blends
// from the world before.
void restart(bool high_quality, int cam_x, int cam_z);
// One update: swap, surfaces, flow advection (high quality), re-seeding.
void update(float dt, bool high_quality, int cam_x, int cam_z);
// The frame's surfaces with f (0..1) the fraction of the update step.
void blend(float f);

inline float blend_surface(float prev, float cur, float f) {
  if (prev == NO_SURFACE) return cur;
  if (cur == NO_SURFACE) return prev;
  return prev + (cur - prev) * f;
}
}  // namespace LandFluids
