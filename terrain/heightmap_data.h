// The world: one 256 x 256 heightmap that wraps at its edges (a torus), held in
// fixed global grids that the generators, the fluid simulation, the morphing,
// the renderer and the game-object module all read and write directly.
#pragma once

#include <xmmintrin.h>

#include <cstdint>

#include "core/dyn_array.h"
#include "terrain/point2.h"

struct ColorRamp;

namespace HeightmapData {

constexpr int HMAP_SIZE_SHIFT = 8;
constexpr int HMAP_SIZE = 1 << HMAP_SIZE_SHIFT;
constexpr int HMAP_MASK = HMAP_SIZE - 1;
constexpr int HMAP_CELLS = HMAP_SIZE * HMAP_SIZE;

// Ground types (bits 0-3 of Surface::flags). GT_NONE is only an argument
// meaning "leave the ground type as it is".
constexpr int GT_NONE = -1;
constexpr int GT_HOUSE = 0;
constexpr int GT_ROCK = 1;
constexpr int GT_SAND = 2;
constexpr int GT_SOIL = 3;

// Surface types (bits 4-7).
constexpr int ST_OPEN = 0;
constexpr int ST_NONE = 0;
constexpr int ST_GRASS = 1;
constexpr int ST_ASH = 2;
constexpr int ST_SNOW = 3;
constexpr int ST_ROAD = 4;

// Mark bits (bits 24-31). The terrain code only stores and tests them.
constexpr unsigned MARK_OBJ = 1;
constexpr unsigned MARK_PLACE = 2;
constexpr unsigned MARK_HOUSE = 4;
constexpr unsigned MARK_WATER = 8;
constexpr unsigned MARK_PLACEMENT = MARK_OBJ | MARK_PLACE | MARK_HOUSE;

constexpr int LAND_SOUND_GROUPS = 8;

// Fluid on a cell: amount > 0 is water of that depth, amount < 0 lava of depth
// -amount. Velocities live on the faces towards x+1 and z+1.
struct Water {
  float amount;
  float vel_x;
  float vel_z;
  float foam;
};
static_assert(sizeof(Water) == 16);

// Appearance and classification of a cell. Colours are 0xAARRGGBB.
struct Surface {
  unsigned color;
  unsigned overlay;
  union {
    unsigned flags;
    struct {
      unsigned ground : 4;
      unsigned surf : 4;
      unsigned house_variant : 3;
      unsigned house_tile : 13;
      unsigned marks : 8;
    };
  };
};
static_assert(sizeof(Surface) == 12);

// Sound of moving ground in one octant around the camera:
// pos_accum = (sum x*w, sum y*w, sum z*w, sum w).
struct alignas(16) LandSoundGroup {
  __m128 pos_accum;
  unsigned channel;
};

// Colours (R, G, B, A in 0..1) that deposited rock and hardened lava blend towards.
extern const __m128 burnt_ground_color;
extern const __m128 ash_overlay_color;

// The grids: index (z << 8) | x, every access wrapped with & 255.
extern float hmap[HMAP_CELLS];
extern float target_hmap[HMAP_CELLS];
extern Water water[HMAP_SIZE][HMAP_SIZE];
extern Water tmpw[HMAP_SIZE][HMAP_SIZE];
extern Surface surface[HMAP_CELLS];
extern LandSoundGroup land_sound[LAND_SOUND_GROUPS];

// Owned by the game-object module's steam bookkeeping; terrain never touches it.
extern float water_vapor_accum;

inline int cell_index(int x, int z) { return ((z & HMAP_MASK) << HMAP_SIZE_SHIFT) | (x & HMAP_MASK); }
inline Water& water_at(int i) { return (&water[0][0])[i]; }

// ---- world data ----
void reset();
void calcHtRange(float& min_h, float& max_h);
float recenterHt();
void addWaterEverywhere(float depth);
__m128 calcSquareDepth(__m128 pos, float half_size, bool with_fluid);

void mark_rect(int x0, int z0, int x1, int z1, unsigned value, unsigned mask);
void mark_circle(float cx, float cz, float radius, unsigned value, unsigned mask);
void mark_water(float level, unsigned value, unsigned mask);
bool test_rect_mark(int x0, int z0, int x1, int z1, unsigned mask, unsigned expect);
bool test_circle_mark(float cx, float cz, float radius, unsigned mask, unsigned expect);

// Per-cell fluid and rock operations (i = linear cell index).
void depositRock(int i, float amount);
void addLavaAt(int i, float amount);
void addWaterAt(int i, float amount);
void water_vapor_fx(int x, int z, float height, float amount);

// ---- generators ----
void makeFastNoise(float* grid, float amplitude, float roughness);
void addFastNoise(float min_ht, float max_ht, const ColorRamp* ramp, int ground, int color_alpha, float roughness);
void addSimplexNoise(float min_ht, float max_ht, int tile, int octaves, float persistence);
void addVoronoiHills(int tile, float min_ht, float max_ht, float radius);
void genVoronoiFaults(int tile, float min_ht, float max_ht, float warp, int warp_scale, int octaves, float sharpness);
void genFault(Point2 center, Point2 dir, float height, float balance, float roughness, const ColorRamp* ramp,
              int ground, int color_alpha, float* grid);
void genCrater(Point2 center, float radius, float slope, float* grid);
void placeHouse(int x, int z, int kind, float* grid, bool keep_level);

// ---- droplet erosion ----
// A colour reaction: rate vector delta (R, G, B, A) and integer exponents.
struct alignas(16) ErosionReaction {
  __m128 delta;
  int exponent[4];
};
static_assert(sizeof(ErosionReaction) == 32);

struct ErosionParams {
  float Kq = 10.0f;
  float Kw = 0.001f;
  float Kr = 0.9f;
  float Kd = 0.02f;
  float Ki = 0.1f;
  float minSlope = 0.05f;
  float g = 20.0f;
  float depositBlend = 2.0f;
  float reactionTime = 100.0f;
  DynArray<ErosionReaction> reactions;
};

struct ErosionStats {
  uint64_t steps = 0;
  uint64_t cut_paths = 0;
  uint64_t random_directions = 0;
};

// Told the share of droplets done now and then (a long run shows it on the splash).
typedef void (*ErosionProgress)(const char* text, float done);
ErosionStats genDropletErosion(unsigned count, ErosionParams& params, ErosionProgress progress = nullptr);

// ---- water and lava ----
void simWater(float dt);

// ---- morphing of hmap towards target_hmap and the sound of moving land ----
void updateHmap(float dt);
void morphHmap(float dt, float* out);
void stopSounds();

}  // namespace HeightmapData
