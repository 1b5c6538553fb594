#include "render/land_textures.h"
#include <cmath>
#include <cstring>
#include <algorithm>
#include <initializer_list>
#include <new>
#include "core/debug.h"
#include "data/shader_constants.h"
#include "render/buffers.h"
#include "render/draw.h"
#include "render/land_meshes.h"
#include "render/land_render.h"
#include "render/render_state.h"
#include "render/scene_view.h"
#include "render/sky.h"
#include "render/shaders.h"
#include "render/textures.h"
#include "render/vertex_decl.h"
#include "terrain/surface_color.h"

using namespace HeightmapRenderer;
using namespace HeightmapData;

namespace {
constexpr int NORMAL_SIZE = 1024;
// Normals and shadowing are recomputed in square tiles of cells where the
// heights moved since the tile's texels were computed: water settling by a
// hair does not relight the whole world, and a busy world relights a few
// tiles an update, those nearest the camera and most changed first.
constexpr int TILE = 16;
constexpr int TILES = HMAP_SIZE / TILE;
// What a tile's change reaches is drawn in blocks of BLOCK x BLOCK cells.
constexpr int BLOCK = 4;
constexpr int BLOCKS = HMAP_SIZE / BLOCK;

// How a derived texture follows the heights: the change that counts, how
// far (in cells) a changed height reaches into its texels, and how many
// tiles one update may recompute.
struct Following {
  float epsilon;
  int reach;
  int budget;
};
// The normals' spline reads two cells around; the shadowing's horizon
// search about 28, and it needs a larger change to look different.
constexpr Following NORMALS_FOLLOW = {0.01f, 2, 24};
constexpr Following SHADOWING_FOLLOW = {0.1f, 28, 4};

// A texture of normals or shadowing and the heights it was computed from.
struct Derived {
  Texture* tex = nullptr;
  float heights[HMAP_CELLS];
  bool valid = false;  // computed everywhere at least once
};

// The normals (and shadowing) of one update.
struct DerivedSet {
  Derived norm, aper;
  float sun[3] = {0, 0, 0};
};

struct LandTextures {
  DerivedSet set[2];  // [cur], [cur ^ 1] = previous
  int cur = 0;
  bool restart = true;  // a new world: both sets get its first normals
  int texture_generation = -1;  // the device's, when the sets were computed
  float heights[HMAP_CELLS];  // this refresh's surface heights
  unsigned colors[HMAP_CELLS], overlays[HMAP_CELLS];
  unsigned ground[HMAP_CELLS];  // the colour under its overlay, as drawn
  bool colors_valid = false;
  int last_tiles = 0;  // normal tiles recomputed by the last refresh
  Shader *calc_norm = nullptr, *calc_aper = nullptr;
};
LandTextures lt;

void set_rect_mapping(float sx, float sy, float ox, float oy) {
  const float rect[4] = {sx, sy, ox, oy};
  set_vs_const(VS_QUAD_RECT, rect, 1);
  const float to_uv[4] = {0.5f, -0.5f, 0.5f, 0.5f};
  set_vs_const(VS_QUAD_TO_UV, to_uv, 1);
}

// Quad over the cells x0..x0+nx, z0..z0+nz of the target (any size: the
// mapping is in fractions of the world).
void cell_rect_pass(int x0, int z0, int nx, int nz) {
  ASSERT(nx > 0 && nz > 0);
  ASSERT(x0 >= 0 && z0 >= 0 && x0 + nx <= HMAP_SIZE && z0 + nz <= HMAP_SIZE);
  const float n = float(HMAP_SIZE);
  set_rect_mapping(float(nx) / n, float(nz) / n, float(2 * x0 - HMAP_SIZE + nx) / n,
                   -float(2 * z0 - HMAP_SIZE + nz) / n);
  draw_postfx();
}

float surface_height(int cell) { return hmap[cell] + std::fabs(water_at(cell).amount); }

bool same_sun(const float* a, const float* b) {
  return std::fabs(a[0] - b[0]) + std::fabs(a[1] - b[1]) + std::fabs(a[2] - b[2]) < 1e-4f;
}

inline int tile_distance(int a, int b) {
  int d = (a - b) & (TILES - 1);
  return std::min(d, TILES - d);
}

// Brings d up to the frame's heights: everything when `all` or d was never
// computed, else the tiles that moved past the epsilon, within the budget
// unless `whole`.
// Returns the tiles recomputed.
int follow_heights(Derived& d, const Following& k, Shader* sh, bool all, bool whole, int cam_tx, int cam_tz) {
  DrawState pass = draw_states::PLAIN;
  pass.targets = to_texture(d.tex);
  apply_draw_state(pass);
  set_shader(sh);
  if (all || !d.valid) {
    std::copy(lt.heights, lt.heights + HMAP_CELLS, d.heights);
    cell_rect_pass(0, 0, HMAP_SIZE, HMAP_SIZE);
    d.valid = true;
    return TILES * TILES;
  }
  float change[TILES][TILES] = {};
  for (int z = 0; z < HMAP_SIZE; z++)
    for (int x = 0; x < HMAP_SIZE; x++) {
      int i = z * HMAP_SIZE + x;
      float c = std::fabs(lt.heights[i] - d.heights[i]);
      float& t = change[z / TILE][x / TILE];
      if (c > k.epsilon && c > t) t = c;
    }
  struct Candidate {
    float priority;
    int tx, tz;
  };
  Candidate picks[TILES * TILES];
  int n = 0;
  for (int tz = 0; tz < TILES; tz++)
    for (int tx = 0; tx < TILES; tx++) {
      if (change[tz][tx] <= 0.f) continue;
      int dist = std::max(tile_distance(tx, cam_tx), tile_distance(tz, cam_tz));
      picks[n++] = {change[tz][tx] * 4.f / float(1 + dist), tx, tz};
    }
  int take = whole ? n : std::min(n, k.budget);
  std::partial_sort(picks, picks + take, picks + n,
                    [](const Candidate& a, const Candidate& b) { return a.priority > b.priority; });
  // The texels the chosen tiles reach, in blocks, so that neighbouring
  // tiles share what they reach.
  bool reached[BLOCKS][BLOCKS] = {};
  int grow = (k.reach + BLOCK - 1) / BLOCK, per_tile = TILE / BLOCK;
  for (int i = 0; i < take; i++) {
    int bx = picks[i].tx * per_tile, bz = picks[i].tz * per_tile;
    for (int z = bz - grow; z < bz + per_tile + grow; z++)
      for (int x = bx - grow; x < bx + per_tile + grow; x++) reached[z & (BLOCKS - 1)][x & (BLOCKS - 1)] = true;
    int x0 = picks[i].tx * TILE, z0 = picks[i].tz * TILE;
    for (int z = z0; z < z0 + TILE; z++)
      std::copy(lt.heights + z * HMAP_SIZE + x0, lt.heights + z * HMAP_SIZE + x0 + TILE,
                d.heights + z * HMAP_SIZE + x0);
  }
  for (int z = 0; z < BLOCKS; z++)
    for (int x = 0; x < BLOCKS;) {
      if (!reached[z][x]) {
        x++;
        continue;
      }
      int run = 1;
      while (x + run < BLOCKS && reached[z][x + run]) run++;
      cell_rect_pass(x * BLOCK, z * BLOCK, run * BLOCK, BLOCK);
      x += run;
    }
  return take;
}

void copy_derived(const Derived& from, Derived& to) {
  copy_texture(from.tex, to.tex);
  std::copy(from.heights, from.heights + HMAP_CELLS, to.heights);
  to.valid = true;
}

void compute_normals_and_shadowing(bool high, bool whole, int cam_x, int cam_z) {
  const float texel[4] = {1.f / 256.f, 1.f / 256.f, 0.f, 0.f};
  set_ps_const(PS_TEXEL_SIZE, texel, 1);
  // Filtered: the low-quality normals take bilinear taps.
  set_texture(0, hmapTex);
  set_texture_address(0, 0, -1, -1);
  set_texture_filter(0, true);
  float sun[4];
  _mm_storeu_ps(sun, get_sun_constant());
  set_vs_const(VS_SUN_DIR, sun, 1);

  // Textures recreated by a device reset hold nothing: start both again, and
  // upload the cell colours again.
  if (lt.texture_generation != device_textures_generation()) {
    lt.restart = true;
    lt.colors_valid = false;
  }
  lt.texture_generation = device_textures_generation();
  lt.cur ^= 1;
  DerivedSet& target = lt.set[lt.cur];
  int cam_tx = (cam_x & HMAP_MASK) / TILE, cam_tz = (cam_z & HMAP_MASK) / TILE;
  lt.last_tiles = follow_heights(target.norm, NORMALS_FOLLOW, lt.calc_norm, lt.restart, whole, cam_tx, cam_tz);
  if (high)
    follow_heights(target.aper, SHADOWING_FOLLOW, lt.calc_aper, lt.restart || !same_sun(sun, target.sun), whole,
                   cam_tx, cam_tz);
  std::copy(sun, sun + 3, target.sun);
  if (lt.restart) {
    DerivedSet& other = lt.set[lt.cur ^ 1];
    copy_derived(target.norm, other.norm);
    if (high) copy_derived(target.aper, other.aper);
    std::copy(sun, sun + 3, other.sun);
    lt.restart = false;
  }
  normTex = target.norm.tex;
  aperTex = target.aper.tex;
  set_texture(0, nullptr);
}

// Uploads the cell colours and overlays (for the map) and the ground as the
// land draws it (mixed here once per change rather than in every pixel)
// where they differ from what the textures hold.
bool upload_surface_colours(bool force) {
  bool colours = force, overlays = force;
  for (int i = 0; i < HMAP_CELLS; i++) {
    unsigned c = surface[i].color, o = surface[i].overlay;
    if (!force && c == lt.colors[i] && o == lt.overlays[i]) continue;
    colours |= c != lt.colors[i];
    overlays |= o != lt.overlays[i];
    lt.colors[i] = c;
    lt.overlays[i] = o;
    // The colour under its overlay (the overlay's alpha in its top byte).
    lt.ground[i] = HeightmapData::blend_color(c, HeightmapData::unpack_color(o), HeightmapData::BYTE_UNITS[o >> 24]);
  }
  if (colours) write_texture_rect(colrTex, 0, 0, HMAP_SIZE, HMAP_SIZE, lt.colors, HMAP_SIZE);
  if (overlays) write_texture_rect(topcTex, 0, 0, HMAP_SIZE, HMAP_SIZE, lt.overlays, HMAP_SIZE);
  if (colours || overlays) write_texture_rect(grndTex, 0, 0, HMAP_SIZE, HMAP_SIZE, lt.ground, HMAP_SIZE);
  return colours || overlays;
}
}  // namespace

bool create_land_textures(bool high) {
  hmapTex = create_render_texture(256, 256, TEXFMT_R32F);
  colrTex = create_render_texture(256, 256, TEXFMT_ARGB8);
  topcTex = create_render_texture(256, 256, TEXFMT_ARGB8);
  grndTex = create_render_texture(256, 256, TEXFMT_ARGB8);
  bool ok = hmapTex && colrTex && topcTex && grndTex;
  for (DerivedSet& d : lt.set) {
    ok = (d.norm.tex = create_render_texture(NORMAL_SIZE, NORMAL_SIZE, TEXFMT_ARGB8)) && ok;
    if (high) ok = (d.aper.tex = create_render_texture(256, 256, TEXFMT_ARGB8)) && ok;
  }
  normTex = lt.set[0].norm.tex;
  aperTex = lt.set[0].aper.tex;
  return ok;
}

void create_land_texture_shaders(bool high, int shadow_quality) {
  lt.calc_norm = create_shader(high ? "calc_norm.sh" : "calc_norm_low.sh", nullptr);
  if (high) {
    static const char* const variants[3] = {"QUALITY\0 0\0", "QUALITY\0 1\0", "QUALITY\0 2\0"};
    int q = shadow_quality < 0 ? 0 : shadow_quality > 2 ? 2 : shadow_quality;
    lt.calc_aper = create_shader("calc_aper.sh", variants[q]);
  }
}

void close_land_textures() {
  for (Texture** t : {&hmapTex, &colrTex, &topcTex, &grndTex, &lt.set[0].norm.tex, &lt.set[1].norm.tex, &lt.set[0].aper.tex,
                      &lt.set[1].aper.tex}) {
    release_texture(*t);
    *t = nullptr;
  }
  normTex = aperTex = nullptr;
  for (Shader* s : {lt.calc_norm, lt.calc_aper}) destroy_shader(s);
  lt.~LandTextures();
  new (&lt) LandTextures();
}

bool refresh_land_textures(bool high, bool whole, int cam_x, int cam_z) {
  for (int i = 0; i < HMAP_CELLS; i++) lt.heights[i] = surface_height(i);
  write_texture_rect(hmapTex, 0, 0, HMAP_SIZE, HMAP_SIZE, lt.heights, HMAP_SIZE);
  compute_normals_and_shadowing(high, whole, cam_x, cam_z);
  bool colours = upload_surface_colours(!lt.colors_valid);
  lt.colors_valid = true;
  set_back_buffer_target();
  return colours || lt.last_tiles > 0;
}

void restart_land_texture_history() {
  lt.restart = true;
  lt.colors_valid = false;
}

void bind_land_blend(int normal_stage, int shadow_stage, float f) {
  set_texture(normal_stage, lt.set[lt.cur].norm.tex);
  set_texture(PREV_NORMAL_STAGE, lt.set[lt.cur ^ 1].norm.tex);
  if (shadow_stage >= 0) {
    set_texture(shadow_stage, lt.set[lt.cur].aper.tex);
    set_texture(PREV_SHADOW_STAGE, lt.set[lt.cur ^ 1].aper.tex);
  }
  for (int stage : {normal_stage, shadow_stage, PREV_NORMAL_STAGE, PREV_SHADOW_STAGE}) {
    if (stage < 0) continue;
    set_texture_address(stage, 0, -1, -1);
    set_texture_filter(stage, true);
  }
  const float blend[4] = {f, f, f, f};
  set_ps_const(PS_LAND_BLEND, blend, 1);
}

int land_tiles_last_refreshed() { return lt.last_tiles; }

// The current normals and shadowing, for the map's lighting.
Texture* current_land_normals() { return lt.set[lt.cur].norm.tex; }
Texture* current_land_shadowing() { return lt.set[lt.cur].aper.tex; }
Texture* previous_land_normals() { return lt.set[lt.cur ^ 1].norm.tex; }
