#pragma once
// Which parts of the map a fluid step computes, in tiles of 8 x 8 cells.
// Internal to terrain.
//
// A tile is settled when the last step that computed it left its records
// bit for bit as they were, with every face velocity zero and no lava; its
// records and heights at that step are kept. A step leaves a tile alone when
// the tile and its eight neighbours are settled, their records and heights
// still equal the kept ones and the step length is the last step's: with no
// velocity and no lava around, a cell's step reads nothing further than
// four cells away, all inside those nine tiles (lava from further away moves
// one cell a step), so the step would compute what it computed then, which
// changed nothing. Lava also changes colours where the records stay. Every
// other tile is computed in full.
#include <smmintrin.h>

#include <cstdint>

#include "terrain/heightmap_data.h"

namespace HeightmapData {
namespace fluid_step {

constexpr int TILE_SHIFT = 3;
constexpr int TILE = 1 << TILE_SHIFT;
constexpr int TILES = HMAP_SIZE / TILE;
// One bit per tile of a row of tiles, bit tx for the tile starting at x = 8 tx.
using TileRow = uint32_t;
static_assert(TILES == 32, "a row of tiles is one 32-bit mask");

constexpr int tile_of(int x, int z) { return ((z >> TILE_SHIFT) << 5) | (x >> TILE_SHIFT); }

// Whether the 16-byte aligned blocks a and b hold the same bits.
template <int BYTES>
inline bool same_bits(const void* a, const void* b) {
  static_assert(BYTES % 16 == 0);
  __m128i diff = _mm_setzero_si128();
  for (int k = 0; k < BYTES / 16; ++k)
    diff = _mm_or_si128(diff, _mm_xor_si128(_mm_load_si128(static_cast<const __m128i*>(a) + k),
                                            _mm_load_si128(static_cast<const __m128i*>(b) + k)));
  return _mm_testz_si128(diff, diff);
}

// Calls fn(tx) for every tile of the row, left to right.
template <typename Fn>
void for_each_tile(TileRow r, Fn fn) {
  for (; r; r &= r - 1) fn(__builtin_ctz(r));
}

// Calls fn(x0, x1) for the cells x0 .. x1 - 1 of every run of neighbouring
// tiles of the row, left to right.
template <typename Fn>
void for_each_run(TileRow r, Fn fn) {
  while (r) {
    const int first = __builtin_ctz(r);
    const TileRow from_first = r >> first;
    const int count = ~from_first ? __builtin_ctz(~from_first) : TILES - first;
    fn(first << TILE_SHIFT, (first + count) << TILE_SHIFT);
    if (first + count >= TILES) break;
    r &= ~TileRow(0) << (first + count);
  }
}

class SettledTiles {
 public:
  // At the start of a step of length dt: decides which tiles it computes
  // (all of them unless leaving settled tiles alone is allowed).
  void plan(float dt, bool leave_settled);

  // Tiles the step computes in tile row tz (z = 8 tz .. 8 tz + 7).
  TileRow computed(int tz) const { return computed_[tz & (TILES - 1)]; }
  // Tiles whose input the step reads: the computed ones and their neighbours.
  TileRow read(int tz) const { return read_[tz & (TILES - 1)]; }
  // How many tiles the step leaves alone.
  int left_alone() const;

  // A computed tile's output, row by row: whether some record differs from
  // its input, some velocity is not zero or some cell holds lava.
  void mark_unsettled(int tile) { unsettled_[tile] = true; }
  // At the end of the step: records which computed tiles are settled and
  // keeps their records and heights.
  void finish();

 private:
  bool same_as_kept(int tile) const;
  void plan_everything();

  uint32_t last_dt_bits_ = 0;
  bool any_step_ = false;
  TileRow computed_[TILES] = {};
  TileRow read_[TILES] = {};
  TileRow same_[TILES] = {};
  bool settled_[TILES * TILES] = {};
  bool unsettled_[TILES * TILES] = {};
};

}  // namespace fluid_step
}  // namespace HeightmapData
