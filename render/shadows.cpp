#include "render/shadows.h"
#include <cmath>
#include <cstring>
#include "core/debug.h"
#include "data/shader_constants.h"
#include "render/buffers.h"
#include "render/draw.h"
#include "render/dyn_vb_writer.h"
#include "render/render_state.h"
#include "render/scene_view.h"
#include "render/shaders.h"
#include "render/sky.h"
#include "render/vertex_decl.h"

namespace {
constexpr int NUM_TILES = SHADOW_TILES_X * SHADOW_TILES_Y;
constexpr int PASSES = 4;  // 8, 4, 2 and 1 balls per instance

ShadowTile tiles[NUM_TILES];
DynArray<ShadowChunk> ball_store;
DynArray<int> chunk_links;

Shader* pass_shader[PASSES];
VertexDecl* pass_decl[PASSES];
BufferRecord* quad_vb = nullptr;
BufferRecord* quad_ib = nullptr;
Shader* debug_shader = nullptr;
int drawing_pass = 0;

int pass_balls(int pass) { return SHADOW_CHUNK_BALLS >> pass; }
int pass_stride(int pass) { return 4 + 16 * pass_balls(pass); }

void empty_tiles() {
  for (ShadowTile& t : tiles) t = ShadowTile{-1, -1, 0, 0};
}

void append_ball(ShadowTile& t, __m128 ball) {
  if (t.numChunks == 0 || t.lastCount == SHADOW_CHUNK_BALLS) {
    int c = ball_store.size();
    ball_store.append();
    chunk_links.append(-1);
    if (t.numChunks == 0)
      t.firstChunk = c;
    else
      chunk_links[t.lastChunk] = c;
    t.lastChunk = c;
    t.numChunks++;
    t.lastCount = 0;
  }
  ball_store[t.lastChunk].balls[t.lastCount++] = ball;
}

float clampf(float v, float lo, float hi) { return v < lo ? lo : v > hi ? hi : v; }

void draw_shadow_pass(int instances, int) {
  set_instancing(instances);
  draw_indexed(PRIM_TRILIST, 0, 0, 4, 0, 2);
  set_instancing(0);
}

// One instance: the tile's column and row, then the balls.
void write_instance(int tile, const __m128* balls, int count) {
  int stride = 4 + 16 * count;
  if (common_vb_writer.freeSpace() < stride) common_vb_writer.flush(false);
  int16_t cr[2] = {int16_t(tile % SHADOW_TILES_X), int16_t(tile / SHADOW_TILES_X)};
  memcpy(common_vb_writer.writePtr, cr, 4);
  memcpy(common_vb_writer.writePtr + 4, balls, size_t(count) * 16);
  common_vb_writer.writePtr += stride;
  common_vb_writer.count++;
}

void draw_pass(int pass) {
  const int n = pass_balls(pass);
  set_shader(pass_shader[pass]);
  set_vdecl(pass_decl[pass]);
  set_vb(1, common_vb_writer.vb, 0, pass_stride(pass));
  drawing_pass = pass;
  common_vb_writer.begin(draw_shadow_pass, pass);
  for (int i = 0; i < NUM_TILES; i++) {
    const ShadowTile& t = tiles[i];
    if (t.numChunks == 0) continue;
    if (pass == 0) {
      for (int c = t.firstChunk; c >= 0; c = chunk_links[c])
        if (c != t.lastChunk || t.lastCount == SHADOW_CHUNK_BALLS) write_instance(i, ball_store[c].balls, n);
      continue;
    }
    // The partial last chunk: its count's binary digits, largest first.
    if (t.lastCount == SHADOW_CHUNK_BALLS || !(t.lastCount & n)) continue;
    int first = t.lastCount & ~(2 * n - 1);
    write_instance(i, ball_store[t.lastChunk].balls + first, n);
  }
  common_vb_writer.flush(true);
}
}  // namespace

void init_shadows() {
  static const char* numvec[PASSES] = {" 8", " 4", " 2", " 1"};
  for (int p = 0; p < PASSES; p++) {
    char defines[16];
    int len = snprintf(defines, sizeof(defines), "NUMVEC%c%s%c", 0, numvec[p], 0);
    defines[len] = 0;
    pass_shader[p] = create_shader("dr_shadow.sh", defines);
    // Stream 0: the quad corner; stream 1: tile, then the balls.
    VDeclElem layout[MAX_VDECL_LEN];
    int e = 0;
    layout[e++] = VDeclElem{0, 0, VDECL_FLOAT2, VDECL_POSITION, 0};
    layout[e++] = VDeclElem{0, 1, VDECL_SHORT2, VDECL_COLOR_USAGE, 0};
    for (int b = 0; b < pass_balls(p); b++)
      layout[e++] = VDeclElem{uint16_t(4 + 16 * b), 1, VDECL_FLOAT4, VDECL_TEXCOORD, uint8_t(b)};
    layout[e] = VDeclElem{0, VDECL_END_STREAM, 0, 0, 0};
    pass_decl[p] = get_vdecl(layout);
  }
  static const float quad[8] = {0, 0, 1, 0, 0, 1, 1, 1};
  static const uint16_t quad_indices[6] = {0, 2, 1, 1, 2, 3};
  quad_vb = create_vb(sizeof(quad), BUFFER_STATIC);
  quad_ib = create_ib(6, BUFFER_STATIC);
  void* pv = quad_vb ? lock_vb(quad_vb, 0, sizeof(quad)) : nullptr;
  void* pi = quad_ib ? lock_ib(quad_ib, 0, sizeof(quad_indices)) : nullptr;
  if (!pv || !pi) fatal("Can't create shadows VB");
  memcpy(pv, quad, sizeof(quad));
  memcpy(pi, quad_indices, sizeof(quad_indices));
  unlock_vb(quad_vb);
  unlock_ib(quad_ib);
  empty_tiles();
}

void close_shadows() {
  for (int p = 0; p < PASSES; p++) {
    if (pass_shader[p]) destroy_shader(pass_shader[p]);
    pass_shader[p] = nullptr;
  }
  if (debug_shader) destroy_shader(debug_shader);
  debug_shader = nullptr;
  free_vb(quad_vb);
  free_ib(quad_ib);
  quad_vb = quad_ib = nullptr;
  ball_store.clear();
  chunk_links.clear();
}

void start_render_shadows() {
  empty_tiles();
  ball_store.resize(0);
  chunk_links.resize(0);
}

void render_shadow_ball(__m128 centre, float radius) {
  float c[4], sun[4], rk[4];
  _mm_storeu_ps(c, centre);
  _mm_storeu_ps(sun, get_frame_sun_dir());
  _mm_storeu_ps(rk, cur_glob_rk);
  const float* cam = cur_view_itm.m[3];
  // The shadow falls away from the sun: the sphere that holds it.
  float x = c[0] - 3 * radius * sun[0], y = c[1] - 3 * radius * sun[1], z = c[2] - 3 * radius * sun[2];
  float r = 5 * radius;
  float dx = x - cam[0], dz = z - cam[2];
  if (!(dx * dx + dz * dz < SHADOW_MAX_DIST_SQ)) return;  // also drops undefined values

  const Matrix44& m = cur_glob_tm;
  float clip[4], ext[4];
  for (int k = 0; k < 4; k++) {
    clip[k] = x * m.m[0][k] + y * m.m[1][k] + z * m.m[2][k] + m.m[3][k];
    ext[k] = r * rk[k];
  }
  float wmax = clip[3] + ext[3];
  if (!(wmax > 0)) return;
  if (clip[0] - ext[0] > wmax || clip[0] + ext[0] < -wmax) return;
  if (clip[1] - ext[1] > wmax || clip[1] + ext[1] < -wmax) return;
  if (clip[2] + ext[2] < 0 || clip[2] - ext[2] > wmax) return;

  // Bounds over the nearest and farthest divisor.
  float dnear = clip[3] - ext[3] > 0.1f ? clip[3] - ext[3] : 0.1f;
  float dfar = wmax > 0.1f ? wmax : 0.1f;
  float lo[2], hi[2];
  for (int k = 0; k < 2; k++) {
    float a = clip[k] - ext[k], b = clip[k] + ext[k];
    lo[k] = fminf(a / dnear, a / dfar);
    hi[k] = fmaxf(b / dnear, b / dfar);
  }
  int x0 = int(clampf((lo[0] + 1) * 8.0f, 0, SHADOW_TILES_X - 1));
  int x1 = int(clampf((hi[0] + 1) * 8.0f, 0, SHADOW_TILES_X - 1));
  int y0 = int(clampf((lo[1] + 1) * 4.5f, 0, SHADOW_TILES_Y - 1));
  int y1 = int(clampf((hi[1] + 1) * 4.5f, 0, SHADOW_TILES_Y - 1));
  __m128 ball = _mm_setr_ps(c[0], c[1], c[2], radius);
  for (int ty = y0; ty <= y1; ty++)
    for (int tx = x0; tx <= x1; tx++) append_ball(tiles[ty * SHADOW_TILES_X + tx], ball);
}

void end_render_shadows() {
  clear_view_color(0xFFFFFFFF);
  const float cam[4] = {cur_view_itm.m[3][0], cur_view_itm.m[3][1], cur_view_itm.m[3][2], 1};
  set_vs_const(VS_SHADOW_CAMERA, cam, 1);
  const float tile_consts[4] = {2.0f / SHADOW_TILES_X, 2.0f / SHADOW_TILES_Y, -1, -1};
  set_vs_const(VS_SHADOW_TILE, tile_consts, 1);
  set_blend_multiply();
  set_vb(0, quad_vb, 0, 8);
  set_ib(quad_ib);
  for (int p = 0; p < PASSES; p++)
    if (pass_shader[p]) draw_pass(p);
  set_instancing(0);
  set_blend_none();
}

void render_shadows_debug() {
  if (!debug_shader) debug_shader = create_shader("shadow_debug.sh", nullptr);
  if (!debug_shader) return;
  static VertexDecl* decl = nullptr;
  if (!decl) {
    const VDeclElem layout[] = {{0, 0, VDECL_FLOAT2, VDECL_POSITION, 0}, {8, 0, VDECL_COLOR, VDECL_COLOR_USAGE, 0},
                                {0, VDECL_END_STREAM, 0, 0, 0}};
    decl = get_vdecl(layout);
  }
  struct V {
    float x, y;
    D3dColor c;
  };
  set_shader(debug_shader);
  set_vdecl(decl);
  set_vb(0, common_vb_writer.vb, 0, sizeof(V));
  set_blend_alpha();
  set_zenable(false);
  common_vb_writer.begin([](int tris, int) { draw_prim(PRIM_TRILIST, 0, tris); }, 0);
  // Each tile: a red wash by ball count (one step per ball up to 32), with a
  // white frame of thin quads; full chunks show as a row of bars.
  auto quad = [](float x0, float y0, float x1, float y1, D3dColor c) {
    if (common_vb_writer.freeSpace() < 6 * int(sizeof(V))) common_vb_writer.flush(false);
    V v[6] = {{x0, y0, c}, {x0, y1, c}, {x1, y1, c}, {x0, y0, c}, {x1, y1, c}, {x1, y0, c}};
    memcpy(common_vb_writer.writePtr, v, sizeof(v));
    common_vb_writer.writePtr += sizeof(v);
    common_vb_writer.count += 2;
  };
  const float tw = 2.0f / SHADOW_TILES_X, th = 2.0f / SHADOW_TILES_Y;
  for (int y = 0; y < SHADOW_TILES_Y; y++)
    for (int x = 0; x < SHADOW_TILES_X; x++) {
      float x0 = -1 + tw * float(x), y0 = -1 + th * float(y);
      int n = count_shadow_balls(x, y);
      if (n > 0) quad(x0, y0, x0 + tw, y0 + th, D3dColor((n > 32 ? 32 : n) * 6 + 20) << 24 | 0xFF2000);
      for (int c = 0; c < get_shadow_tile(x, y).numChunks && c < 16; c++)
        quad(x0 + tw * 0.05f, y0 + th * (0.05f + 0.055f * float(c)), x0 + tw * 0.4f, y0 + th * (0.09f + 0.055f * float(c)),
             0xC0FFFF40);
      quad(x0, y0, x0 + tw * 0.02f, y0 + th, 0x80FFFFFF);
      quad(x0, y0, x0 + tw, y0 + th * 0.02f, 0x80FFFFFF);
    }
  common_vb_writer.flush(true);
  set_blend_none();
}

const ShadowTile& get_shadow_tile(int x, int y) { return tiles[y * SHADOW_TILES_X + x]; }
const ShadowChunk& get_shadow_chunk(int index) { return ball_store[index]; }
int get_shadow_chunk_link(int index) { return chunk_links[index]; }

int count_shadow_balls(int x, int y) {
  const ShadowTile& t = get_shadow_tile(x, y);
  return t.numChunks == 0 ? 0 : (t.numChunks - 1) * SHADOW_CHUNK_BALLS + t.lastCount;
}
