// The fluid update eight cells at a time; built for AVX (without FMA, whose
// fused roundings would change the results) and run only where it is there.
#include "terrain/fluid_update.h"

namespace HeightmapData {
namespace fluid_step {

bool update_row_wide(const StepConstants& c, const FluidRow& above, const FluidRow& here, const FluidRow& below,
                     int z, TileRow tiles, bool cool_now) {
  return Rules<Lanes8>::update_row(c, above, here, below, z, tiles, cool_now);
}

}  // namespace fluid_step
}  // namespace HeightmapData
