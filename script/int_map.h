#pragma once
// IntMap: a 256 x 256 grid of script integers, one per heightmap cell,
// for universe and world scripts. Cells are indexed (z << 8) | x and every
// coordinate wraps like the world does.
#include <cstdint>
#include "squirrel.h"

class IntMap {
 public:
  static constexpr int SIDE = 256;
  static constexpr int CELLS = SIDE * SIDE;

  int32_t cells[CELLS];

  int get(int x, int z) const { return cells[cell_index(x, z)]; }
  void set(int x, int z, int value) { cells[cell_index(x, z)] = value; }
  int getAt(int index) const { return cells[index & (CELLS - 1)]; }
  void setAt(int index, int value) { cells[index & (CELLS - 1)] = value; }

  static int cell_index(int x, int z) { return ((z & (SIDE - 1)) << 8) | (x & (SIDE - 1)); }
};

// The script class "IntMap" in the root table.
void bind_int_map(HSQUIRRELVM vm);

// The cell index of (x, z) and its inverse, as scripts see them.
int make_map_index(int x, int z);
int map_index_x(int index);
int map_index_z(int index);
