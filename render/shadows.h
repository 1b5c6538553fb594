#pragma once
// Ball shadows: objects cast soft round shadows from spheres. Each frame the
// balls are collected into a 16 x 9 grid of screen tiles, in chunks of 8,
// and every tile's balls are drawn as instanced full-tile quads multiplied
// into the shadow-factor target that the deferred lighting reads. Culling
// and binning use the frame's published view (cur_glob_tm, cur_glob_rk,
// the camera of cur_view_itm) and the sky's sun direction.
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
