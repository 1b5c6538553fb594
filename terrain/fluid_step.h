#pragma once
// What the parts of one fluid step share: the step's constants, the rows of
// its input, the transport grids, and the per-row update in its two widths.
// Internal to terrain.
#include <cstdint>

#include "terrain/fluid_tiles.h"
#include "terrain/heightmap_data.h"

namespace HeightmapData {
namespace fluid_step {

constexpr float PRESSURE_GAIN = 10.0f;
constexpr float WATER_DAMPING_RATE = 0.03f;
constexpr float LAVA_DAMPING_RATE = 0.3f;
constexpr float LAVA_PRESSURE_SHARE = 0.3f;
constexpr float LAVA_STOP_DEPTH = 0.05f;
constexpr float LAVA_FREE_DEPTH = 0.2f;
constexpr float LAVA_RAMP_SCALE = 6.6666665f;  // 1 / (0.2 - 0.05)
constexpr float LAVA_COOLING_RATE = 0.1f;
constexpr float FOAM_DECAY_RATE = 5.0f;
constexpr float FOAM_FROM_PRESSURE = 3.2f;
constexpr float SPLASH_FOAM = 0.01f;
constexpr float DRYING_DEPTH = 0.5f;
constexpr float DRY_DEPTH = 0.01f;
constexpr float OUTFLOW_RATE = 4.0f;

struct StepConstants {
  float dt;
  float pressure_gain;
  float water_damping;
  float lava_damping;
  float cooling;
  float foam_decay;
  float outflow_rate;
};

// One row of tmpw split into float rows, padded by four cells on each side
// with the wrapped neighbours so that runs at x-1 and x+1 are plain loads.
constexpr int PAD = 4;
struct FluidRow {
  alignas(32) float amount[HMAP_SIZE + 2 * PAD];
  alignas(32) float vel_x[HMAP_SIZE + 2 * PAD];
  alignas(32) float vel_z[HMAP_SIZE + 2 * PAD];
  alignas(32) float foam[HMAP_SIZE + 2 * PAD];

  // Row z of the step's input, already in tmpw, in the given tiles.
  void load(int z, TileRow tiles);
  // Row z of `water` becomes the step's input in the given tiles: copied
  // into tmpw and split.
  void take(int z, TileRow tiles);
  // Row z of `water` split, where another part of the step copies it.
  void look(int z, TileRow tiles);
};

// The step's new state as plain float grids: the amount of every cell when
// transport starts, the amounts as transport changes them, the new face
// velocities and foam. `water` keeps the step's input until transport is
// done; then the records are written from these.
extern float flow_amount[HMAP_CELLS];
extern float amount_now[HMAP_CELLS];
extern float face_vel_x[HMAP_CELLS];
extern float face_vel_z[HMAP_CELLS];
extern float new_foam[HMAP_CELLS];

// The record of cell i in the step's input.
const Water& input_record(int i);
// Cooling of the lava cell (x, z) of the given depth.
void cool_lava(const StepConstants& c, int x, int z, float depth);

// Whether the step updates eight cells at a time: where the processor has
// AVX. Both widths give the same bits; tests switch to check that.
extern bool wide_update;
// Whether the step leaves settled tiles alone. It gives the same bits as
// computing every tile; tests switch to check that.
extern bool leave_settled_tiles;
// How many tiles the last step left alone.
int tiles_left_alone();

// Phase 1 of row z in the given tiles: face velocities and foam from the
// input rows, then drying of shallow water and cooling of lava, the latter
// left to the caller where cool_now is false. Returns whether some cell holds
// lava. The wide form takes eight cells at a time, for processors that have
// AVX.
bool update_row_wide(const StepConstants& c, const FluidRow& above, const FluidRow& here, const FluidRow& below,
                     int z, TileRow tiles, bool cool_now);
bool update_row_narrow(const StepConstants& c, const FluidRow& above, const FluidRow& here, const FluidRow& below,
                       int z, TileRow tiles, bool cool_now);

}  // namespace fluid_step
}  // namespace HeightmapData
