#include "terrain/fluid_tiles.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace HeightmapData {
namespace fluid_step {

namespace {

// The records and heights of settled tiles as they were when they settled.
alignas(16) Water kept_water[HMAP_SIZE][HMAP_SIZE];
alignas(16) float kept_height[HMAP_CELLS];

TileRow with_sides(TileRow r) { return r | std::rotl(r, 1) | std::rotr(r, 1); }
TileRow both_sides(TileRow r) { return r & std::rotl(r, 1) & std::rotr(r, 1); }

}  // namespace

bool SettledTiles::same_as_kept(int tile) const {
  const int x0 = (tile & (TILES - 1)) << TILE_SHIFT, z0 = (tile >> 5) << TILE_SHIFT;
  for (int z = z0; z < z0 + TILE; ++z) {
    if (!same_bits<TILE * sizeof(Water)>(&water[z][x0], &kept_water[z][x0]) ||
        !same_bits<TILE * sizeof(float)>(&hmap[cell_index(x0, z)], &kept_height[cell_index(x0, z)]))
      return false;
  }
  return true;
}

void SettledTiles::plan_everything() {
  for (int tz = 0; tz < TILES; ++tz) {
    computed_[tz] = read_[tz] = ~TileRow(0);
    same_[tz] = 0;
  }
}

void SettledTiles::plan(float dt, bool leave_settled) {
  uint32_t dt_bits;
  std::memcpy(&dt_bits, &dt, sizeof dt_bits);
  const bool same_step = leave_settled && any_step_ && dt_bits == last_dt_bits_ && std::isfinite(dt);
  last_dt_bits_ = dt_bits;
  any_step_ = true;
  if (!same_step) {
    plan_everything();
    return;
  }
  for (int tz = 0; tz < TILES; ++tz) {
    TileRow same = 0;
    for (int tx = 0; tx < TILES; ++tx) {
      const int tile = (tz << 5) | tx;
      if (settled_[tile] && same_as_kept(tile)) same |= TileRow(1) << tx;
    }
    same_[tz] = same;
  }
  for (int tz = 0; tz < TILES; ++tz) {
    TileRow around = both_sides(same_[(tz + TILES - 1) % TILES]) & both_sides(same_[tz]) &
                     both_sides(same_[(tz + 1) % TILES]);
    computed_[tz] = ~around;
  }
  for (int tz = 0; tz < TILES; ++tz)
    read_[tz] = with_sides(computed_[(tz + TILES - 1) % TILES]) | with_sides(computed_[tz]) |
                with_sides(computed_[(tz + 1) % TILES]);
}

int SettledTiles::left_alone() const {
  int n = 0;
  for (TileRow r : computed_) n += std::popcount(TileRow(~r));
  return n;
}

void SettledTiles::finish() {
  for (int tz = 0; tz < TILES; ++tz) {
    for_each_tile(computed_[tz], [&](int tx) {
      const int tile = (tz << 5) | tx;
      const bool settled = !unsettled_[tile];
      unsettled_[tile] = false;
      settled_[tile] = settled;
      if (!settled || (same_[tz] >> tx & 1)) return;
      const int x0 = tx << TILE_SHIFT, z0 = tz << TILE_SHIFT;
      for (int z = z0; z < z0 + TILE; ++z) {
        std::memcpy(&kept_water[z][x0], &water[z][x0], TILE * sizeof(Water));
        std::memcpy(&kept_height[cell_index(x0, z)], &hmap[cell_index(x0, z)], TILE * sizeof(float));
      }
    });
  }
}

}  // namespace fluid_step
}  // namespace HeightmapData
