#pragma once
// The per-frame meshes of the terrain renderer, built on the CPU around the
// camera's cell: the GPU vertex records and the builders that fill them.
//
// Vertex positions are cell coordinates relative to a mesh origin, a
// multiple of 256 near the camera (the world repeats every 256 cells), so
// they fit 16 bits however far the camera has flown; the shaders add the
// origin back.
#include <cstdint>
#include "render/render_types.h"
#include "terrain/heightmap_data.h"

#pragma pack(push, 1)
// Land grid, horizon.
struct LandGridVertex {
  int16_t x, z;
  float h;
};
// One near cell drawn as an instance of the 5 x 5 patch: heights of the
// corners (x, z), (x+1, z), (x, z+1), (x+1, z+1).
struct NearCellInstance {
  int16_t x, z;
  float h[4];
};
// Water and lava at high quality: the surface, the two flow phases blended
// between updates, then foam x 256 (water) or depth x 1024 (lava), and the
// squared speed x 256.
struct FluidVertexHigh {
  int16_t x, z;
  float surface;
  float flow[4];
  int16_t extra;
  int16_t speed2;
};
// Water and lava at low quality: the surface, then foam (water) or depth
// above the ground (lava).
struct FluidVertexLow {
  int16_t x, z;
  float surface;
  float extra;
};
// World-map water: amount and foam of the wrapped cell.
struct MapWaterVertex {
  int16_t x, z;
  float amount, foam;
};
#pragma pack(pop)
static_assert(sizeof(LandGridVertex) == 8 && sizeof(NearCellInstance) == 20);
static_assert(sizeof(FluidVertexHigh) == 28 && sizeof(FluidVertexLow) == 12 && sizeof(MapWaterVertex) == 12);

namespace LandMeshes {
constexpr int GRID = 256;                 // land and fluid grids: GRID x GRID vertices
// Near window around the camera cell: smooth cells of 32 triangles. Beyond
// it, the far grid's two triangles a cell look the same at that distance
// (the light comes from the smooth normals either way) for an eighth of the
// triangles.
constexpr int NEAR_FROM = -17, NEAR_TO = 14;
constexpr int NEAR_SIZE = NEAR_TO - NEAR_FROM + 1;
constexpr int MAX_NEAR_CELLS = NEAR_SIZE * NEAR_SIZE;
constexpr int DISC_LIMIT = 67600;          // (2r - 255)^2 + (2k - 255)^2 within 130 cells
constexpr int LAND_INDICES = 365574;
constexpr int FLUID_INDICES = 390150;
constexpr int HORIZON = 192;              // horizon grid: HORIZON x HORIZON vertices
constexpr int HORIZON_STEP = 4;           // cells between horizon vertices
constexpr int HORIZON_HOLE = 3843;        // (2r - 191)^2 + (2k - 191)^2 inside the land disc
constexpr int HORIZON_INDICES = 218886;
constexpr int PATCH_VERTICES = 25, PATCH_INDICES = 96;
constexpr int MAP_WATER = 257;
constexpr int MAP_WATER_INDICES = 393216;

// Blocks of CULL_BLOCK x CULL_BLOCK quads of the frame's grids are kept or
// skipped whole by the view.
constexpr int CULL_BLOCK = 8;
constexpr int CULL_BLOCKS = GRID / CULL_BLOCK;
// Blocks within this many of the camera's on each side are drawn at full
// detail (about 40 cells); beyond, a 2 x 2-cell quad's ground is a few
// pixels and the light comes from the normal texture either way.
constexpr int FINE_BLOCKS = 5;
// The horizon's blocks: CULL_BLOCK x CULL_BLOCK of its coarse quads.
constexpr int HORIZON_CULL_BLOCKS = (HORIZON + CULL_BLOCK - 1) / CULL_BLOCK;

// The camera's cell and the mesh origin of a frame, and which blocks of its
// grids the camera can see (all, unless cull_frame said otherwise).
struct Frame {
  float cam_x, cam_z;  // camera position
  int cell_x, cell_z;  // floor of the camera position
  int base_x, base_z;  // mesh origin: cell rounded down to a multiple of 256
  bool seen[CULL_BLOCKS][CULL_BLOCKS];
  // Blocks drawn a quad per cell; the others (far from the camera, no house
  // tile) a quad per 2 x 2 cells. Set by build_land_indices.
  bool fine[CULL_BLOCKS][CULL_BLOCKS];
  bool horizon_seen[HORIZON_CULL_BLOCKS][HORIZON_CULL_BLOCKS];
  // [kind] blocks holding quads of water (0) or lava (1): their vertices are
  // the only ones built. Set by build_fluid_indices.
  bool wet[2][CULL_BLOCKS][CULL_BLOCKS];
};
Frame make_frame(float cam_x, float cam_z);
// Marks the blocks outside the view (world to clip, row vectors) as unseen.
// Heights are the ground's and the fluid surfaces' of the frame.
void cull_frame(Frame& f, const Matrix44& view_proj, const float* curh, const float (*surf)[2]);

// Called for every house-tile cell met (unwrapped coordinates); null skips.
typedef void (*HouseTileFn)(HeightmapData::Surface* s, int x, int z);

// Each returns the number of records (instances, indices) written.
int build_near_cells(const Frame& f, const float* curh, NearCellInstance* out, HouseTileFn house);
// The grid's indices first: they choose the blocks' detail the grid follows.
int build_land_indices(Frame& f, uint16_t* out, HouseTileFn house);
void build_land_grid(const Frame& f, const float* curh, LandGridVertex* out);
void build_horizon(const Frame& f, const float* curh, const float (*surf)[2], LandGridVertex* out);
int build_horizon_ring(const Frame& f, uint16_t* out);
void build_patch(float* uv, uint16_t* indices);
// kind 0 water, 1 lava; f is the update fraction for the blended values.
// The indices first: they choose the blocks the vertices are built for.
void build_fluid_high(const Frame& fr, int kind, float f, const float* curh, FluidVertexHigh* out);
void build_fluid_low(const Frame& fr, int kind, float f, const float* curh, FluidVertexLow* out);
int build_fluid_indices(Frame& fr, int kind, uint16_t* out);
void build_map_water(MapWaterVertex* out);
// Quad rows 0..253 come first (their vertex numbers fit 16 bits); the last
// two rows follow, numbered from vertex MAP_WATER_SPLIT.
int build_map_water_indices(uint16_t* out, int* first_count);
constexpr int MAP_WATER_SPLIT_ROW = 254;
constexpr int MAP_WATER_SPLIT = MAP_WATER_SPLIT_ROW * MAP_WATER;
}  // namespace LandMeshes
