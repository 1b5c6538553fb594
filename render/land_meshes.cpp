#include "render/land_meshes.h"
#include <algorithm>
#include <bit>
#include <cmath>
#include "render/land_fluids.h"

namespace LandMeshes {
using namespace HeightmapData;

namespace {
inline int ground_type(int cell) { return int(surface[cell].flags & 15u); }
inline int16_t to_short(float v) { return int16_t(std::clamp(v, -32768.f, 32767.f)); }
inline bool in_disc(int r, int k) { return (2 * r - 255) * (2 * r - 255) + (2 * k - 255) * (2 * k - 255) <= DISC_LIMIT; }
inline bool in_near_window(int dx, int dz) { return dx >= NEAR_FROM && dx <= NEAR_TO && dz >= NEAR_FROM && dz <= NEAR_TO; }
inline uint16_t* quad(uint16_t* out, int a, int row) {
  out[0] = uint16_t(a);
  out[1] = uint16_t(a + row);
  out[2] = uint16_t(a + 1);
  out[3] = uint16_t(a + 1);
  out[4] = uint16_t(a + row);
  out[5] = uint16_t(a + row + 1);
  return out + 6;
}
// A quad over 2 x 2 cells of a grid with `row` vertices a row.
inline uint16_t* quad2(uint16_t* out, int a, int row) {
  out[0] = uint16_t(a);
  out[1] = uint16_t(a + 2 * row);
  out[2] = uint16_t(a + 2);
  out[3] = uint16_t(a + 2);
  out[4] = uint16_t(a + 2 * row);
  out[5] = uint16_t(a + 2 * row + 2);
  return out + 6;
}

// Calls fn(vertex, cell, x, z) for the vertices of the frame's grid around
// the camera that the seen blocks' quads use, row by row: the cell it stands
// on and its place relative to the frame's base. No index refers to the
// others, so they are left as they were.
template <class Vertex, class Fn>
void for_each_grid_vertex(const Frame& f, const bool (*blocks)[CULL_BLOCKS], Vertex* out, Fn fn) {
  int x0 = f.cell_x - GRID / 2, z0 = f.cell_z - GRID / 2;
  for (int r = 0; r < GRID; r++) {
    int16_t lz = int16_t(z0 + r - f.base_z);
    int row = ((z0 + r) & HMAP_MASK) << HMAP_SIZE_SHIFT;
    Vertex* line = out + r * GRID;
    for (int bc = 0; bc < CULL_BLOCKS; bc++) {
      // Vertex row r belongs to quad rows r - 1 and r.
      bool used = (r < GRID - 1 && blocks[r / CULL_BLOCK][bc]) || (r > 0 && blocks[(r - 1) / CULL_BLOCK][bc]);
      if (!used) continue;
      int last = std::min(bc * CULL_BLOCK + CULL_BLOCK, GRID - 1);
      for (int k = bc * CULL_BLOCK; k <= last; k++)
        fn(line[k], row | ((x0 + k) & HMAP_MASK), int16_t(x0 + k - f.base_x), lz);
    }
  }
}

// The fluid's surface of the frame, or the ground where there is none.
inline float fluid_surface(int kind, int cell, const float* curh) {
  float surf = LandFluids::state.frame_surf[cell][kind];
  return surf == LandFluids::NO_SURFACE ? curh[cell] : surf;
}
}  // namespace

Frame make_frame(float cam_x, float cam_z) {
  Frame f;
  for (auto& row : f.seen)
    for (bool& b : row) b = true;
  for (auto& row : f.horizon_seen)
    for (bool& b : row) b = true;
  for (auto& row : f.fine)
    for (bool& b : row) b = true;
  for (auto& kind : f.wet)
    for (auto& row : kind)
      for (bool& b : row) b = true;
  f.cam_x = cam_x;
  f.cam_z = cam_z;
  f.cell_x = int(std::floor(cam_x));
  f.cell_z = int(std::floor(cam_z));
  f.base_x = f.cell_x & ~HMAP_MASK;
  f.base_z = f.cell_z & ~HMAP_MASK;
  return f;
}

namespace {
// The view's six planes, each (a, b, c, d) with a point inside when
// a x + b y + c z + d >= 0.
struct ViewPlanes {
  float p[6][4];
  explicit ViewPlanes(const Matrix44& m) {
    auto col = [&](int c, int i) { return m.m[i][c]; };
    for (int i = 0; i < 4; i++) {
      p[0][i] = col(3, i) + col(0, i);
      p[1][i] = col(3, i) - col(0, i);
      p[2][i] = col(3, i) + col(1, i);
      p[3][i] = col(3, i) - col(1, i);
      p[4][i] = col(2, i);
      p[5][i] = col(3, i) - col(2, i);
    }
  }
  // False when the box lies wholly outside one plane.
  bool sees(float x0, float y0, float z0, float x1, float y1, float z1) const {
    for (const float* q : p) {
      float x = q[0] >= 0 ? x1 : x0, y = q[1] >= 0 ? y1 : y0, z = q[2] >= 0 ? z1 : z0;
      if (q[0] * x + q[1] * y + q[2] * z + q[3] < 0.f) return false;
    }
    return true;
  }
};

// Shapes drawn from the grids (smooth near cells, waves) stand a little off
// the heights they are made from.
constexpr float CULL_MARGIN = 2.f;

// Lowest and highest ground or fluid surface of each block of
// CULL_BLOCK x CULL_BLOCK cells of the world, in one pass over the map; a
// span of cells takes the union of the blocks it touches.
constexpr int WORLD_BLOCKS = HMAP_SIZE / CULL_BLOCK;
struct BlockRanges {
  float lo[WORLD_BLOCKS][WORLD_BLOCKS], hi[WORLD_BLOCKS][WORLD_BLOCKS];

  void measure(const float* curh, const float (*surf)[2]) {
    for (int bz = 0; bz < WORLD_BLOCKS; bz++)
      for (int bx = 0; bx < WORLD_BLOCKS; bx++) {
        lo[bz][bx] = 1e30f;
        hi[bz][bx] = -1e30f;
      }
    for (int z = 0; z < HMAP_SIZE; z++) {
      float* row_lo = lo[z / CULL_BLOCK];
      float* row_hi = hi[z / CULL_BLOCK];
      for (int x = 0; x < HMAP_SIZE; x++) {
        int c = (z << HMAP_SIZE_SHIFT) | x;
        float l = curh[c], h = l;
        for (int k = 0; k < 2; k++)
          if (surf[c][k] != LandFluids::NO_SURFACE) {
            l = std::min(l, surf[c][k]);
            h = std::max(h, surf[c][k]);
          }
        float &bl = row_lo[x / CULL_BLOCK], &bh = row_hi[x / CULL_BLOCK];
        bl = std::min(bl, l);
        bh = std::max(bh, h);
      }
    }
  }
  // The cells x0..x1, z0..z1 (inclusive, wrapped).
  void range(int x0, int z0, int x1, int z1, float& l, float& h) const {
    constexpr int SHIFT = std::countr_zero(unsigned(CULL_BLOCK));
    l = 1e30f;
    h = -1e30f;
    for (int bz = z0 >> SHIFT; bz <= z1 >> SHIFT; bz++)
      for (int bx = x0 >> SHIFT; bx <= x1 >> SHIFT; bx++) {
        l = std::min(l, lo[bz & (WORLD_BLOCKS - 1)][bx & (WORLD_BLOCKS - 1)]);
        h = std::max(h, hi[bz & (WORLD_BLOCKS - 1)][bx & (WORLD_BLOCKS - 1)]);
      }
  }
};
BlockRanges block_ranges;
}  // namespace

void cull_frame(Frame& f, const Matrix44& view_proj, const float* curh, const float (*surf)[2]) {
  ViewPlanes planes(view_proj);
  block_ranges.measure(curh, surf);
  int x0 = f.cell_x - GRID / 2, z0 = f.cell_z - GRID / 2;
  for (int br = 0; br < CULL_BLOCKS; br++)
    for (int bc = 0; bc < CULL_BLOCKS; bc++) {
      int ax = x0 + bc * CULL_BLOCK, az = z0 + br * CULL_BLOCK;
      float lo, hi;
      block_ranges.range(ax, az, ax + CULL_BLOCK, az + CULL_BLOCK, lo, hi);
      f.seen[br][bc] = planes.sees(float(ax), lo - CULL_MARGIN, float(az), float(ax + CULL_BLOCK), hi + CULL_MARGIN,
                                   float(az + CULL_BLOCK));
    }
  // The horizon is lowered as the world curves away: only its top is known.
  int hx0 = (f.cell_x - 383) & ~(HORIZON_STEP - 1), hz0 = (f.cell_z - 383) & ~(HORIZON_STEP - 1);
  constexpr int SPAN = CULL_BLOCK * HORIZON_STEP;
  for (int br = 0; br < HORIZON_CULL_BLOCKS; br++)
    for (int bc = 0; bc < HORIZON_CULL_BLOCKS; bc++) {
      int ax = hx0 + bc * SPAN, az = hz0 + br * SPAN;
      float lo, hi;
      block_ranges.range(ax, az, ax + SPAN, az + SPAN, lo, hi);
      f.horizon_seen[br][bc] =
          planes.sees(float(ax), -1e6f, float(az), float(ax + SPAN), hi + CULL_MARGIN, float(az + SPAN));
    }
}

namespace {
// The near window's cells, nearest the camera first (see BlockOrder).
struct NearOrder {
  int8_t dx[MAX_NEAR_CELLS], dz[MAX_NEAR_CELLS];
  NearOrder() {
    int order[MAX_NEAR_CELLS];
    auto dist = [](int c) {
      int x = c % NEAR_SIZE + NEAR_FROM, z = c / NEAR_SIZE + NEAR_FROM;
      return x * x + z * z;
    };
    for (int c = 0; c < MAX_NEAR_CELLS; c++) order[c] = c;
    std::stable_sort(order, order + MAX_NEAR_CELLS, [&](int a, int b) { return dist(a) < dist(b); });
    for (int i = 0; i < MAX_NEAR_CELLS; i++) {
      dx[i] = int8_t(order[i] % NEAR_SIZE + NEAR_FROM);
      dz[i] = int8_t(order[i] / NEAR_SIZE + NEAR_FROM);
    }
  }
};
const NearOrder near_order;
}  // namespace

int build_near_cells(const Frame& f, const float* curh, NearCellInstance* out, HouseTileFn house) {
  int n = 0;
  for (int i = 0; i < MAX_NEAR_CELLS; i++) {
    int dx = near_order.dx[i], dz = near_order.dz[i];
    int x = f.cell_x + dx, z = f.cell_z + dz;
    int cell = cell_index(x, z);
    if (ground_type(cell) == GT_HOUSE) {
      if (house) house(&surface[cell], x, z);
      continue;
    }
    int r = dz + GRID / 2, k = dx + GRID / 2;
    if (!f.seen[r / CULL_BLOCK][k / CULL_BLOCK]) continue;
    NearCellInstance& c = out[n++];
    c.x = int16_t(x - f.base_x);
    c.z = int16_t(z - f.base_z);
    c.h[0] = curh[cell];
    c.h[1] = curh[cell_index(x + 1, z)];
    c.h[2] = curh[cell_index(x, z + 1)];
    c.h[3] = curh[cell_index(x + 1, z + 1)];
  }
  return n;
}

void build_land_grid(const Frame& f, const float* curh, LandGridVertex* out) {
  for_each_grid_vertex(f, f.seen, out, [&](LandGridVertex& v, int cell, int16_t x, int16_t z) {
    v.x = x;
    v.z = z;
    v.h = curh[cell];
  });
  // Where a full-detail block meets a coarse one, the fine side's in-between
  // vertices are put on the coarse edge, so no gap opens along it.
  auto on_line = [&](int a, int mid, int b) { out[mid].h = 0.5f * (out[a].h + out[b].h); };
  for (int br = 0; br < CULL_BLOCKS; br++)
    for (int bc = 0; bc < CULL_BLOCKS; bc++) {
      if (f.fine[br][bc] || !f.seen[br][bc]) continue;
      int r0 = br * CULL_BLOCK, k0 = bc * CULL_BLOCK;
      int r1 = std::min(r0 + CULL_BLOCK, GRID - 1), k1 = std::min(k0 + CULL_BLOCK, GRID - 1);
      if (br > 0 && f.fine[br - 1][bc])
        for (int k = k0 + 1; k < k1; k += 2) on_line(r0 * GRID + k - 1, r0 * GRID + k, r0 * GRID + k + 1);
      if (br + 1 < CULL_BLOCKS && f.fine[br + 1][bc])
        for (int k = k0 + 1; k < k1; k += 2) on_line(r1 * GRID + k - 1, r1 * GRID + k, r1 * GRID + k + 1);
      if (bc > 0 && f.fine[br][bc - 1])
        for (int r = r0 + 1; r < r1; r += 2) on_line((r - 1) * GRID + k0, r * GRID + k0, (r + 1) * GRID + k0);
      if (bc + 1 < CULL_BLOCKS && f.fine[br][bc + 1])
        for (int r = r0 + 1; r < r1; r += 2) on_line((r - 1) * GRID + k1, r * GRID + k1, (r + 1) * GRID + k1);
    }
}

namespace {
// The frame grid's blocks, nearest the camera first: drawn in this order,
// near ground hides what lies behind it before that is shaded.
struct BlockOrder {
  uint8_t row[CULL_BLOCKS * CULL_BLOCKS], col[CULL_BLOCKS * CULL_BLOCKS];
  BlockOrder() {
    int order[CULL_BLOCKS * CULL_BLOCKS];
    auto dist = [](int b) {
      int dr = (b / CULL_BLOCKS) * CULL_BLOCK + CULL_BLOCK / 2 - GRID / 2;
      int dc = (b % CULL_BLOCKS) * CULL_BLOCK + CULL_BLOCK / 2 - GRID / 2;
      return dr * dr + dc * dc;
    };
    for (int b = 0; b < CULL_BLOCKS * CULL_BLOCKS; b++) order[b] = b;
    std::stable_sort(order, order + CULL_BLOCKS * CULL_BLOCKS, [&](int a, int b) { return dist(a) < dist(b); });
    for (int i = 0; i < CULL_BLOCKS * CULL_BLOCKS; i++) {
      row[i] = uint8_t(order[i] / CULL_BLOCKS);
      col[i] = uint8_t(order[i] % CULL_BLOCKS);
    }
  }
};
const BlockOrder block_order;
}  // namespace

int build_land_indices(Frame& f, uint16_t* out, HouseTileFn house) {
  uint16_t* p = out;
  int x0 = f.cell_x - GRID / 2, z0 = f.cell_z - GRID / 2;
  for (int i = 0; i < CULL_BLOCKS * CULL_BLOCKS; i++) {
    int br = block_order.row[i], bc = block_order.col[i];
    int r0 = br * CULL_BLOCK, k0 = bc * CULL_BLOCK;
    int r1 = std::min(r0 + CULL_BLOCK, GRID - 1), k1 = std::min(k0 + CULL_BLOCK, GRID - 1);
    // A block wholly outside the disc has nothing to draw.
    if (!in_disc(std::clamp(GRID / 2, r0, r1 - 1), std::clamp(GRID / 2, k0, k1 - 1))) {
      f.fine[br][bc] = false;
      continue;
    }
    // House tiles are handed over wherever they are, and keep their block
    // at full detail (each is drawn in place of its own quad).
    bool near = std::abs(br - CULL_BLOCKS / 2 + 0.5f) < FINE_BLOCKS && std::abs(bc - CULL_BLOCKS / 2 + 0.5f) < FINE_BLOCKS;
    bool houses = false;
    for (int r = r0; r < r1; r++) {
      int row = ((z0 + r) & HMAP_MASK) << HMAP_SIZE_SHIFT;
      for (int k = k0; k < k1; k++) {
        int cell = row | ((x0 + k) & HMAP_MASK);
        if (ground_type(cell) != GT_HOUSE || !in_disc(r, k) || in_near_window(k - GRID / 2, r - GRID / 2)) continue;
        houses = true;
        if (house) house(&surface[cell], x0 + k, z0 + r);
      }
    }
    bool fine = near || houses;
    f.fine[br][bc] = fine;
    if (!f.seen[br][bc]) continue;
    if (!fine) {
      // The grid's last row and column have no 2 x 2 quad; they lie in the
      // haze at the disc's edge.
      for (int r = r0; r + 2 < GRID && r < r0 + CULL_BLOCK; r += 2)
        for (int k = k0; k + 2 < GRID && k < k0 + CULL_BLOCK; k += 2)
          if (in_disc(r + 1, k + 1)) p = quad2(p, r * GRID + k, GRID);
      continue;
    }
    for (int r = r0; r < r1; r++)
      for (int k = k0; k < k1; k++) {
        if (!in_disc(r, k) || in_near_window(k - GRID / 2, r - GRID / 2)) continue;
        if (ground_type(cell_index(x0 + k, z0 + r)) == GT_HOUSE) continue;
        p = quad(p, r * GRID + k, GRID);
      }
  }
  return int(p - out);
}

void build_horizon(const Frame& f, const float* curh, const float (*surf)[2], LandGridVertex* out) {
  int x0 = (f.cell_x - 383) & ~(HORIZON_STEP - 1), z0 = (f.cell_z - 383) & ~(HORIZON_STEP - 1);
  for (int r = 0; r < HORIZON; r++) {
    int z = z0 + r * HORIZON_STEP;
    float dz = float(z) - f.cam_z;
    for (int k = 0; k < HORIZON; k++, out++) {
      int x = x0 + k * HORIZON_STEP;
      int cell = cell_index(x, z);
      float h = std::max(curh[cell], std::max(surf[cell][0], surf[cell][1]));
      float dx = float(x) - f.cam_x;
      float e = (std::sqrt(dx * dx + dz * dz) - 128.f) / 256.f;
      if (e > 0) h -= 128.f * e * e;  // the world curves away
      out->x = int16_t(x - f.base_x);
      out->z = int16_t(z - f.base_z);
      out->h = h;
    }
  }
}

int build_horizon_ring(const Frame& f, uint16_t* out) {
  uint16_t* p = out;
  for (int r = 0; r < HORIZON - 1; r++)
    for (int k = 0; k < HORIZON - 1; k++)
      if ((2 * r - 191) * (2 * r - 191) + (2 * k - 191) * (2 * k - 191) > HORIZON_HOLE &&
          f.horizon_seen[r / CULL_BLOCK][k / CULL_BLOCK])
        p = quad(p, r * HORIZON + k, HORIZON);
  return int(p - out);
}

void build_patch(float* uv, uint16_t* indices) {
  for (int v = 0; v < 5; v++)
    for (int u = 0; u < 5; u++) {
      *uv++ = float(u) * 0.25f;
      *uv++ = float(v) * 0.25f;
    }
  for (int v = 0; v < 4; v++)
    for (int u = 0; u < 4; u++) indices = quad(indices, v * 5 + u, 5);
}

void build_fluid_high(const Frame& fr, int kind, float f, const float* curh, FluidVertexHigh* out) {
  const LandFluids::State& s = LandFluids::state;
  const LandFluids::FlowCell* fp = s.flow[s.flow_cur ^ 1];
  const LandFluids::FlowCell* fc = s.flow[s.flow_cur];
  const Water* wp = &tmpw[0][0];
  const Water* wc = &water[0][0];
  for_each_grid_vertex(fr, fr.wet[kind], out, [&](FluidVertexHigh& v, int cell, int16_t x, int16_t z) {
    v.x = x;
    v.z = z;
    v.surface = fluid_surface(kind, cell, curh);
    const LandFluids::FlowCell &a = fp[cell], &b = fc[cell];
    v.flow[0] = a.ax + (b.ax - a.ax) * f;
    v.flow[1] = a.az + (b.az - a.az) * f;
    v.flow[2] = a.bx + (b.bx - a.bx) * f;
    v.flow[3] = a.bz + (b.bz - a.bz) * f;
    const Water &p = wp[cell], &c = wc[cell];
    float sp = p.vel_x * p.vel_x + p.vel_z * p.vel_z, sc = c.vel_x * c.vel_x + c.vel_z * c.vel_z;
    v.speed2 = to_short((sp + (sc - sp) * f) * 256.f);
    if (kind == 0)
      v.extra = to_short((p.foam + (c.foam - p.foam) * f) * 256.f);
    else
      v.extra = to_short(std::max(v.surface - curh[cell], 0.f) * 1024.f);
  });
}

void build_fluid_low(const Frame& fr, int kind, float f, const float* curh, FluidVertexLow* out) {
  const Water* wp = &tmpw[0][0];
  const Water* wc = &water[0][0];
  for_each_grid_vertex(fr, fr.wet[kind], out, [&](FluidVertexLow& v, int cell, int16_t x, int16_t z) {
    v.x = x;
    v.z = z;
    v.surface = fluid_surface(kind, cell, curh);
    if (kind == 0)
      v.extra = wp[cell].foam + (wc[cell].foam - wp[cell].foam) * f;
    else
      v.extra = std::max(v.surface - curh[cell], 0.f);
  });
}

int build_fluid_indices(Frame& fr, int kind, uint16_t* out) {
  const LandFluids::State& s = LandFluids::state;
  uint16_t* p = out;
  int x0 = fr.cell_x - GRID / 2, z0 = fr.cell_z - GRID / 2;
  for (auto& row : fr.wet[kind])
    for (bool& b : row) b = false;
  auto wet = [&](int row, int k) {
    return s.frame_surf[row | ((x0 + k) & HMAP_MASK)][kind] != LandFluids::NO_SURFACE;
  };
  for (int r = 0; r < GRID - 1; r++) {
    int top = ((z0 + r) & HMAP_MASK) << HMAP_SIZE_SHIFT, bottom = ((z0 + r + 1) & HMAP_MASK) << HMAP_SIZE_SHIFT;
    for (int bc = 0; bc < CULL_BLOCKS; bc++) {
      if (!fr.seen[r / CULL_BLOCK][bc]) continue;
      int end = std::min(bc * CULL_BLOCK + CULL_BLOCK, GRID - 1);
      uint16_t* block_start = p;
      // Each quad's right corners are the next quad's left ones.
      bool left = wet(top, bc * CULL_BLOCK) && wet(bottom, bc * CULL_BLOCK);
      for (int k = bc * CULL_BLOCK; k < end; k++) {
        bool right = wet(top, k + 1) && wet(bottom, k + 1);
        if (left && right && in_disc(r, k)) p = quad(p, r * GRID + k, GRID);
        left = right;
      }
      if (p != block_start) fr.wet[kind][r / CULL_BLOCK][bc] = true;
    }
  }
  return int(p - out);
}

void build_map_water(MapWaterVertex* out) {
  for (int z = 0; z < MAP_WATER; z++)
    for (int x = 0; x < MAP_WATER; x++, out++) {
      const Water& w = water[z & HMAP_MASK][x & HMAP_MASK];
      out->x = int16_t(x);
      out->z = int16_t(z);
      out->amount = w.amount;
      out->foam = w.foam;
    }
}

int build_map_water_indices(uint16_t* out, int* first_count) {
  bool wet[MAP_WATER * MAP_WATER];
  for (int z = 0; z < MAP_WATER; z++)
    for (int x = 0; x < MAP_WATER; x++)
      wet[z * MAP_WATER + x] = std::fabs(water[z & HMAP_MASK][x & HMAP_MASK].amount) > 0.01f;
  uint16_t* p = out;
  for (int z = 0; z < MAP_WATER - 1; z++) {
    if (z == MAP_WATER_SPLIT_ROW) *first_count = int(p - out);
    int base = z < MAP_WATER_SPLIT_ROW ? 0 : MAP_WATER_SPLIT;
    for (int x = 0; x < MAP_WATER - 1; x++) {
      int a = z * MAP_WATER + x;
      if (wet[a] || wet[a + 1] || wet[a + MAP_WATER] || wet[a + MAP_WATER + 1]) p = quad(p, a - base, MAP_WATER);
    }
  }
  return int(p - out);
}
}  // namespace LandMeshes
