// Drawing the effects: particles as instanced camera-facing quads, trails and
// bolts as triangle ribbons, all streamed through the shared dynamic vertex
// buffer at the copy of the torus world nearest the camera.
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "core/check.h"
#include "core/optional_services.h"
#include "effects/common_fx.h"
#include "render/buffers.h"
#include "render/draw.h"
#include "render/draw_state.h"
#include "render/dyn_vb_writer.h"
#include "render/render_state.h"
#include "render/scene_image.h"
#include "render/scene_render.h"
#include "render/scene_targets.h"
#include "render/scene_view.h"
#include "render/shaders.h"
#include "render/textures.h"
#include "render/vertex_decl.h"
#include "terrain/game_random.h"
#include "terrain/ramp.h"

namespace {

struct FxInstance {  // 40 bytes, the GPU instance record
  float x, y, z, size, roll;
  D3dColor color;
  float mapU, mapV, halfU, halfV;
};
static_assert(sizeof(FxInstance) == 40, "effect instances are 40 bytes");

struct FxVertex {  // 24 bytes
  float x, y, z;
  D3dColor color;
  float u, v;
};
static_assert(sizeof(FxVertex) == 24, "ribbon vertices are 24 bytes");

constexpr int QUAD_BYTES = 6 * int(sizeof(FxVertex));

const VDeclElem particle_layout[] = {
    {0, 0, VDECL_FLOAT2, VDECL_POSITION, 0},   {0, 1, VDECL_FLOAT4, VDECL_TEXCOORD, 1},
    {16, 1, VDECL_FLOAT1, VDECL_TEXCOORD, 2},  {20, 1, VDECL_COLOR, VDECL_COLOR_USAGE, 0},
    {24, 1, VDECL_FLOAT4, VDECL_TEXCOORD, 3},  {0, VDECL_END_STREAM, VDECL_UNUSED, 0, 0},
};
const VDeclElem ribbon_layout[] = {
    {0, 0, VDECL_FLOAT3, VDECL_POSITION, 0},
    {12, 0, VDECL_COLOR, VDECL_COLOR_USAGE, 0},
    {16, 0, VDECL_FLOAT2, VDECL_TEXCOORD, 0},
    {0, VDECL_END_STREAM, VDECL_UNUSED, 0, 0},
};

struct FxResources {
  Texture* blendTex = nullptr;
  Texture* glowTex = nullptr;
  Shader* ribbonShader = nullptr;  // "effect.sh"
  Shader* blendShader = nullptr;   // "blendPart.sh"
  Shader* glowShader = nullptr;    // "glowPart.sh"
  Shader* postBlendShader = nullptr;  // "postBlend.sh"
  BufferRecord* quadVb = nullptr;
  BufferRecord* quadIb = nullptr;
  VertexDecl* particleDecl = nullptr;
  VertexDecl* ribbonDecl = nullptr;
} res;

struct Camera {
  float pos[3];
  float right[3];
  float up[3];
};

void draw_instances(int count, int) {
  set_instancing(count);
  draw_indexed(PRIM_TRILIST, 0, 0, 4, 0, 2);
  set_instancing(0);
}

void draw_triangles(int count, int) { draw_prim(PRIM_TRILIST, 0, count); }

// The camera's position and its right and up axes, from the frame's view.
Camera current_camera() {
  Camera c;
  for (int i = 0; i < 3; i++) {
    c.right[i] = cur_view_itm.m[0][i];
    c.up[i] = cur_view_itm.m[1][i];
    c.pos[i] = cur_view_itm.m[3][i];
  }
  return c;
}

float clamp01(float x) { return x < 0.f ? 0.f : (x > 1.f ? 1.f : x); }

D3dColor pack(float r, float g, float b, float a) {
  auto ch = [](float v) { return uint32_t(clamp01(v) * 255.f + 0.5f); };
  return (ch(a) << 24) | (ch(r) << 16) | (ch(g) << 8) | ch(b);
}

D3dColor scale_color(D3dColor c, float k) {
  float s = clamp01(k);
  auto ch = [&](int shift) { return uint32_t(float((c >> shift) & 255) * s + 0.5f) << shift; };
  return ch(24) | ch(16) | ch(8) | ch(0);
}

D3dColor animated_color(const FxParticle& p, float t) {
  if (!p.colorAnim) return p.color;
  alignas(16) float c[4];
  _mm_store_ps(c, p.colorAnim->lookup(t));
  auto ch = [&](int shift) { return float((p.color >> shift) & 255) / 255.f; };
  return pack(c[0] * ch(16), c[1] * ch(8), c[2] * ch(0), c[3] * ch(24));
}

void lane(__m128 v, float out[4]) { _mm_storeu_ps(out, v); }

void render_pool(const FxParticlePool& pool, Shader* shader, Texture* tex, const Camera& cam, float sub,
                 float alpha) {
  set_shader(shader);
  set_vdecl(res.particleDecl);
  set_texture(0, tex);
  set_vb(0, res.quadVb, 0, 8);
  set_ib(res.quadIb);
  set_vb(1, common_vb_writer.vb, 0, int(sizeof(FxInstance)));
  common_vb_writer.begin(draw_instances, 0);
  for (const FxParticle& p : pool.parts) {
    if (!(p.life > 0.f)) continue;
    float t = (p.age + sub) / p.life;
    if (t < 0.f || t > 1.f) continue;
    float k = alpha;
    if (p.age < 0.f) k = (p.age + sub) / (sub / alpha + p.age);
    float a[4], b[4];
    lane(p.prevPos, a);
    lane(p.pos, b);
    FxInstance inst;
    inst.x = cam.pos[0] + wrap(a[0] + (b[0] - a[0]) * k - cam.pos[0]);
    inst.y = a[1] + (b[1] - a[1]) * k;
    inst.z = cam.pos[2] + wrap(a[2] + (b[2] - a[2]) * k - cam.pos[2]);
    inst.size = p.sizeAnim ? p.size * p.sizeAnim->lookup(t) : p.size;
    inst.roll = p.rollAnim ? p.startRoll + p.rollScale * p.rollAnim->lookup(t) : p.startRoll;
    inst.color = animated_color(p, t);
    inst.mapU = p.mapU;
    inst.mapV = p.mapV;
    inst.halfU = p.mapHalf / 512.f;
    inst.halfV = -p.mapHalf / 256.f;
    if (common_vb_writer.freeSpace() < int(sizeof(FxInstance))) common_vb_writer.flush(false);
    memcpy(common_vb_writer.writePtr, &inst, sizeof(inst));
    common_vb_writer.writePtr += sizeof(inst);
    common_vb_writer.count++;
  }
  common_vb_writer.flush(true);
  set_vb(1, nullptr, 0, 0);
}

// Writes one quad (two triangles) between edges a0-a1 and b0-b1.
void write_quad(const float a0[3], const float a1[3], const float b0[3], const float b1[3], D3dColor ca, D3dColor cb,
                float ua, float ub, float v0, float v1) {
  if (common_vb_writer.freeSpace() < QUAD_BYTES) common_vb_writer.flush(false);
  FxVertex q[6] = {
      {a0[0], a0[1], a0[2], ca, ua, v0}, {a1[0], a1[1], a1[2], ca, ua, v1}, {b0[0], b0[1], b0[2], cb, ub, v0},
      {b0[0], b0[1], b0[2], cb, ub, v0}, {a1[0], a1[1], a1[2], ca, ua, v1}, {b1[0], b1[1], b1[2], cb, ub, v1},
  };
  memcpy(common_vb_writer.writePtr, q, sizeof(q));
  common_vb_writer.writePtr += sizeof(q);
  common_vb_writer.count += 2;
}

void offset_edge(const float p[3], const float side[3], float s, float out[3]) {
  for (int i = 0; i < 3; i++) out[i] = p[i] + side[i] * s;
}

void render_trail(const FxTrail& tr, const Camera& cam, float alpha) {
  auto interpolated = [&](const FxTrailPoint& pt, float out[3]) {
    float a[4], b[4];
    lane(pt.prevPos, a);
    lane(pt.pos, b);
    for (int i = 0; i < 3; i++) out[i] = a[i] + (b[i] - a[i]) * alpha;
  };
  const FxTrailPoint& head = tr.points[tr.head];
  float t[3];
  interpolated(head, t);
  float o[3] = {wrap(t[0] - cam.pos[0]) + cam.pos[0] - t[0], 0.f, wrap(t[2] - cam.pos[2]) + cam.pos[2] - t[2]};
  for (int i = 0; i < 3; i++) t[i] += o[i];

  // The head cap faces the camera.
  float r[3], u[3], c0[3], c1[3], c2[3], c3[3];
  for (int i = 0; i < 3; i++) {
    r[i] = cam.right[i] * tr.width;
    u[i] = cam.up[i] * tr.width;
    c0[i] = t[i] - r[i] + u[i];
    c1[i] = t[i] - r[i] - u[i];
    c2[i] = t[i] + r[i] + u[i];
    c3[i] = t[i] + r[i] - u[i];
  }
  write_quad(c0, c1, c2, c3, head.color, head.color, 0.f, 0.125f, 0.25f, 0.5f);
  if (tr.count < 2) return;

  float side[4], prevPlus[3], prevMinus[3];
  lane(head.side, side);
  offset_edge(t, side, 1.f, prevPlus);
  offset_edge(t, side, -1.f, prevMinus);
  float prevU = alpha / 16.f;
  D3dColor prevColor = head.color;
  for (int k = 1; k < tr.count; k++) {
    const FxTrailPoint& pt = tr.points[(tr.head + k) % TRAIL_POINTS];
    float e[3], plus[3], minus[3];
    interpolated(pt, e);
    for (int i = 0; i < 3; i++) e[i] += o[i];
    lane(pt.side, side);
    offset_edge(e, side, 1.f, plus);
    offset_edge(e, side, -1.f, minus);
    float nextU = prevU + 1.f / 16.f;
    write_quad(prevPlus, prevMinus, plus, minus, prevColor, pt.color, prevU, nextU, 0.f, 0.25f);
    memcpy(prevPlus, plus, sizeof(plus));
    memcpy(prevMinus, minus, sizeof(minus));
    prevU = nextU;
    prevColor = pt.color;
  }
}

void cross(const float a[3], const float b[3], float out[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

float smooth_step01(float x) { return (3.f - 2.f * x) * x * x; }

void render_bolt(const FxBolt& bolt, const Camera& cam, float sub) {
  int n = bolt.points.size();
  float b = (bolt.age + sub) / bolt.life;
  if (b > 1.f) b = 1.f;
  float first[4], second[4];
  lane(bolt.points[0].pos, first);
  lane(bolt.points[1].pos, second);
  float o[3] = {wrap(first[0] - cam.pos[0]) + cam.pos[0] - first[0], 0.f,
                wrap(first[2] - cam.pos[2]) + cam.pos[2] - first[2]};

  float prevPlus[3], prevMinus[3], prevU = 0.f;
  D3dColor prevColor = 0;
  for (int i = 0; i < n; i++) {
    float p[4];
    lane(bolt.points[i].pos, p);
    float toCam[3], along[3], side[3];
    for (int k = 0; k < 3; k++) {
      p[k] += o[k];
      toCam[k] = p[k] - cam.pos[k];
      along[k] = i == 0 ? second[k] - first[k] : p[k] - (first[k] + o[k]);
    }
    cross(toCam, along, side);
    float len = std::sqrt(side[0] * side[0] + side[1] * side[1] + side[2] * side[2]);
    float s = len > 0.f ? bolt.width / len : 0.f;
    for (float& v : side) v *= s;
    float plus[3], minus[3];
    offset_edge(p, side, 1.f, plus);
    offset_edge(p, side, -1.f, minus);
    // A lit window runs along the bolt in the first half of its life and
    // off its end in the second.
    float c = (0.5f - std::fabs(2.f * b - float(i) / float(n - 1) - 0.5f)) * 20.f;
    D3dColor color = scale_color(bolt.points[i].color, smooth_step01(clamp01(c)));
    float u = bolt.points[i].texCoord;
    if (i > 0) write_quad(prevPlus, prevMinus, plus, minus, prevColor, color, prevU, u, 0.75f, 1.f);
    memcpy(prevPlus, plus, sizeof(plus));
    memcpy(prevMinus, minus, sizeof(minus));
    prevU = u;
    prevColor = color;
  }
}

void render_ribbons(const Camera& cam, float sub, float alpha) {
  set_shader(res.ribbonShader);
  set_vdecl(res.ribbonDecl);
  set_texture(0, res.glowTex);
  set_vb(0, common_vb_writer.vb, 0, int(sizeof(FxVertex)));
  common_vb_writer.begin(draw_triangles, 0);
  for (const FxBolt& bolt : fx_bolts)
    if (bolt.points.size() >= 2) render_bolt(bolt, cam, sub);
  for (const FxTrail& tr : fx_trails)
    if (tr.count > 0) render_trail(tr, cam, alpha);
  common_vb_writer.flush(true);
}

// Where the scene's effects gather before they are laid over it: the
// floating-point target when the device blends into one, so faint light
// piling up is not lost to 8-bit rounding and bright light is compressed
// instead of clipped.
Texture* fp_accumulation_target() {
  return fp_blend_texture && scene_image && res.postBlendShader ? fp_blend_texture : nullptr;
}

// The gathered effects over the scene image: premultiplied, so the scene
// shows through by what the smoke leaves uncovered.
void lay_effects_over_scene(Texture* accumulated) {
  DrawState s = draw_states::PLAIN;
  s.targets = to_texture(scene_image, true);
  s.blend = Blend::prealpha;
  s.wireframe = use_wireframe;
  apply_draw_state(s);
  set_shader(res.postBlendShader);
  set_texture(0, accumulated);
  set_texture_filter(0, false);
  set_texture_address(0, 1, -1, -1);
  draw_postfx();
  set_texture(0, nullptr);
}

// Nothing alive: the frame draws no effect, so it need not gather or lay any.
bool any_fx_alive() {
  if (fx_bolts.size() > 0) return true;
  for (const FxParticlePool* pool : {&fx_blend_pool, &fx_glow_pool})
    for (const FxParticle& p : pool->parts)
      if (p.life > 0.f) return true;
  for (const FxTrail& t : fx_trails)
    if (t.isAlive()) return true;
  return false;
}
}  // namespace

void init_common_fx() {
  reset_common_fx();
  optional_services.reset_common_fx = &reset_common_fx;
  res.blendTex = get_texture("blendfx.dds", true);
  res.glowTex = get_texture("glowfx.dds", true);
  res.ribbonShader = create_shader("effect.sh", nullptr);
  res.blendShader = create_shader("blendPart.sh", nullptr);
  res.glowShader = create_shader("glowPart.sh", nullptr);
  res.postBlendShader = create_shader("postBlend.sh", nullptr);
  res.particleDecl = get_vdecl(particle_layout);
  res.ribbonDecl = get_vdecl(ribbon_layout);
  res.quadVb = create_vb(4 * 8, BUFFER_STATIC);
  res.quadIb = create_ib(6, BUFFER_STATIC);
  if (!res.quadVb || !res.quadIb) fatal("can't create particle VB");
  const float corners[8] = {-1.f, -1.f, -1.f, 1.f, 1.f, 1.f, 1.f, -1.f};
  memcpy(lock_vb(res.quadVb, 0, 0), corners, sizeof(corners));
  unlock_vb(res.quadVb);
  const uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
  memcpy(lock_ib(res.quadIb, 0, 0), indices, sizeof(indices));
  unlock_ib(res.quadIb);
}

void close_common_fx() {
  optional_services.reset_common_fx = nullptr;
  for (Shader* s : {res.ribbonShader, res.blendShader, res.glowShader, res.postBlendShader})
    if (s) destroy_shader(s);
  if (res.quadVb) free_vb(res.quadVb);
  if (res.quadIb) free_ib(res.quadIb);
  free_texture(res.blendTex);
  free_texture(res.glowTex);
  res = FxResources();
  free_fx_ramps();
}

void render_common_fx(float sub, float alpha) {
  if (!res.quadVb) return;
  if (!any_fx_alive()) return;
  Camera cam = current_camera();
  Texture* accumulated = fp_accumulation_target();
  // Depth tested against the scene, not written: effects do not hide each
  // other. Without an accumulation target they draw where the caller
  // pointed the device.
  DrawState s = draw_states::PLAIN;
  if (accumulated) s.targets = to_texture(accumulated, true);
  s.depth_test = true;
  s.wireframe = use_wireframe;
  // Smoke covers what is behind it (premultiplied by its alpha); light only
  // adds.
  s.blend = Blend::prealpha;
  apply_draw_state(s);
  if (accumulated) clear_view_color(0);
  load_view_constants();
  render_pool(fx_blend_pool, res.blendShader, res.blendTex, cam, sub, alpha);
  s.blend = Blend::additive;
  apply_draw_state(s);
  render_pool(fx_glow_pool, res.glowShader, res.glowTex, cam, sub, alpha);
  render_ribbons(cam, sub, alpha);
  if (accumulated) lay_effects_over_scene(accumulated);
}
