#pragma once
// Ball shadows: objects cast soft round shadows from spheres. Each frame the
// balls are collected into a 16 x 9 grid of screen tiles, in chunks of 8,
// and every tile's balls are drawn as instanced full-tile quads multiplied
// into the shadow-factor target that the deferred lighting reads.
#include <xmmintrin.h>
#include "core/dyn_array.h"
#include "render/render_types.h"

constexpr int SHADOW_TILES_X = 16;
constexpr int SHADOW_TILES_Y = 9;
constexpr int SHADOW_CHUNK_BALLS = 8;
constexpr float SHADOW_MAX_DIST_SQ = 112.0f * 112.0f;

struct ShadowChunk {
  __m128 balls[SHADOW_CHUNK_BALLS];  // centre x, y, z and radius
};

struct ShadowTile {
  int firstChunk, lastChunk;  // indexes into the ball store, -1 when empty
  int numChunks;
  int lastCount;  // balls in the last chunk
};

// The view the balls are culled and binned against: view x projection, the
// camera position and the direction towards the sun.
struct ShadowView {
  Matrix44 globTm;
  __m128 globRk;  // clip-space extent of a unit radius per component
  __m128 camPos;
  __m128 sunDir;
};

// Takes the device's current view and projection and the given sun
// direction as the view of the frame's balls.
void set_shadow_view(__m128 cam_pos, __m128 sun_dir);
const ShadowView& get_shadow_view();

void init_shadows();
void close_shadows();

void start_render_shadows();
void render_shadow_ball(__m128 centre, float radius);
// Draws the binned balls into the bound target (cleared to white first).
void end_render_shadows();
// Tile grid and ball counts over the screen.
void render_shadows_debug();

// The binning, for tests and benchmarks.
const ShadowTile& get_shadow_tile(int x, int y);
const ShadowChunk& get_shadow_chunk(int index);
int get_shadow_chunk_link(int index);  // next chunk of the tile, -1 at the end
int count_shadow_balls(int x, int y);
