// Sizes are in world units (one heightmap cell). Models stand on y = 0 at
// the origin; spline bodies run along z from 0 (tail) to 1 (head) with x and
// y in units across the body.
#include "tools/mesh_gen/models.h"
#include <cmath>

namespace meshgen {
namespace {
const float PI = 3.14159265f;

const Rgba BARK = rgb(0.36f, 0.24f, 0.14f);
const Rgba CHARCOAL = rgb(0.09f, 0.08f, 0.07f);
const Rgba EMBER_BARK = rgb(0.16f, 0.11f, 0.08f);
const Rgba PINE = rgb(0.12f, 0.33f, 0.17f);
const Rgba LEAF = rgb(0.30f, 0.52f, 0.16f);
const Rgba ROCK = rgb(0.52f, 0.51f, 0.48f);
const Rgba CASTLE_STONE = rgb(0.70f, 0.66f, 0.58f);
const Rgba CASTLE_DARK = rgb(0.50f, 0.47f, 0.42f);
const Rgba ROOF_RED = rgb(0.62f, 0.20f, 0.14f);
const Rgba ROOF_SLATE = rgb(0.28f, 0.32f, 0.42f);
const Rgba TIMBER = rgb(0.42f, 0.28f, 0.16f);
const Rgba PLASTER = rgb(0.86f, 0.80f, 0.66f);
const Rgba THATCH = rgb(0.70f, 0.58f, 0.30f);
const Rgba DOOR = rgb(0.10f, 0.07f, 0.05f);
const Rgba YARD = rgb(0.46f, 0.42f, 0.30f);
// Alpha below 1 glows: the shaders add (1 - alpha) of the colour as light.
const Rgba MANA_GLOW = rgb(0.35f, 0.85f, 1.0f, 0.25f);
const Rgba PORTAL_GLOW = rgb(0.62f, 0.35f, 1.0f, 0.2f);
const Rgba GOLD = rgb(0.85f, 0.68f, 0.25f);

// Canopy parts shrink into charred stubs when the tree burns.
void burn_into(MeshBuilder& m, V3 centre, float shrink, V3 offset, Rgba col) {
  m.morphing = true;
  m.morphCentre = centre;
  m.morphShrink = shrink;
  m.morphOffset = offset;
  m.morphColor = col;
}

MeshBuilder conifer(float height, uint32_t seed) {
  MeshBuilder m;
  Rng rng(seed);
  float h = height;
  burn_into(m, v3(0, 0, 0), 1, v3(0, 0, 0), CHARCOAL);
  m.frustum(v3(0, 0, 0), 0.10f * h / 2, v3(0, 0.35f * h, 0), 0.06f * h / 2, 6, BARK, false, false);
  // Three tiers, each wider at its base: the fir silhouette.
  const float base[3] = {0.18f, 0.42f, 0.64f}, top[3] = {0.62f, 0.84f, 1.0f}, radius[3] = {0.42f, 0.32f, 0.21f};
  for (int t = 0; t < 3; t++) {
    V3 c0 = v3(0, base[t] * h, 0);
    burn_into(m, c0, 0.18f, v3(0, -0.05f * h, 0), CHARCOAL);
    Rgba tier = shade(PINE, 0.9f + 0.1f * float(t) + 0.06f * rng.next());
    m.frustum(c0, radius[t] * h, v3(0, top[t] * h, 0), 0, 8, tier, true, false, 0, 0.12f, seed * 7 + uint32_t(t));
    m.ball(v3(0, (base[t] + top[t]) * 0.45f * h, 0), radius[t] * h * 0.8f);
  }
  // The charred trunk reaches up through the burnt tiers.
  burn_into(m, v3(0, 0.35f * h, 0), 1, v3(0, 0, 0), EMBER_BARK);
  m.frustum(v3(0, 0.35f * h, 0), 0.03f * h, v3(0, 0.95f * h, 0), 0.005f * h, 5, shade(BARK, 0.8f), false, false);
  return m;
}

MeshBuilder broadleaf(float height, uint32_t seed) {
  MeshBuilder m;
  Rng rng(seed);
  float h = height;
  burn_into(m, v3(0, 0, 0), 1, v3(0, 0, 0), EMBER_BARK);
  m.frustum(v3(0, 0, 0), 0.07f * h, v3(0, 0.55f * h, 0), 0.045f * h, 6, BARK, false, false, 0.2f);
  // Two boughs fork from the trunk into the crown.
  m.frustum(v3(0, 0.5f * h, 0), 0.035f * h, v3(0.18f * h, 0.75f * h, 0.05f * h), 0.02f * h, 5, BARK, false, true);
  m.frustum(v3(0, 0.5f * h, 0), 0.035f * h, v3(-0.15f * h, 0.78f * h, -0.08f * h), 0.02f * h, 5, BARK, false, true);
  struct Lobe {
    V3 c;
    float r;
  } lobes[4] = {{v3(0, 0.72f * h, 0), 0.36f * h},
                {v3(0.22f * h, 0.64f * h, 0.12f * h), 0.24f * h},
                {v3(-0.2f * h, 0.68f * h, -0.14f * h), 0.25f * h},
                {v3(0.04f * h, 0.9f * h, -0.04f * h), 0.2f * h}};
  for (int i = 0; i < 4; i++) {
    burn_into(m, lobes[i].c, 0.22f, v3(0, -0.08f * h, 0), CHARCOAL);
    Rgba c = shade(LEAF, 0.88f + 0.2f * rng.next());
    m.blob(lobes[i].c, v3(lobes[i].r, lobes[i].r * 0.82f, lobes[i].r), 1, c, 0.16f, seed * 13 + uint32_t(i), 0.45f);
    m.ball(lobes[i].c, lobes[i].r * 0.9f);
  }
  return m;
}

// The burnt form as a plain mesh: the morph shape and colours taken as is.
MeshBuilder burnt(const MeshBuilder& tree) {
  MeshBuilder m;
  for (size_t i = 0; i < tree.indices.size(); i += 3) {
    const Vertex& a = tree.vertices[tree.indices[i]];
    const Vertex& b = tree.vertices[tree.indices[i + 1]];
    const Vertex& c = tree.vertices[tree.indices[i + 2]];
    if (dot(cross(b.pos2 - a.pos2, c.pos2 - a.pos2), cross(b.pos2 - a.pos2, c.pos2 - a.pos2)) < 1e-10f) continue;
    m.triangle(a.pos2, b.pos2, c.pos2, a.color2);
  }
  for (const Ball& b : tree.balls) m.balls.push_back(Ball{b.x, b.y * 0.8f, b.z, b.radius * 0.3f});
  return m;
}

MeshBuilder stone(V3 radii, uint32_t seed) {
  MeshBuilder m;
  m.blob(v3(0, radii.y * 0.6f, 0), radii, 1, ROCK, 0.28f, seed, 0.5f);
  m.ball(v3(0, radii.y * 0.7f, 0), std::fmin(radii.x, radii.z) * 0.7f);
  return m;
}

MeshBuilder stone_cup() {
  MeshBuilder m;
  m.frustum(v3(0, 0, 0), 0.45f, v3(0, 0.12f, 0), 0.4f, 8, shade(ROCK, 0.85f), false, true);
  m.frustum(v3(0, 0.12f, 0), 0.22f, v3(0, 0.45f, 0), 0.16f, 8, ROCK, false, false, 0, 0.05f, 3);
  m.frustum(v3(0, 0.45f, 0), 0.18f, v3(0, 0.85f, 0), 0.62f, 10, ROCK, true, false, 0, 0.04f, 5);
  // The rim, then the hollow seen from above, then its glowing pool.
  m.frustum(v3(0, 0.85f, 0), 0.62f, v3(0, 0.92f, 0), 0.55f, 10, shade(ROCK, 1.1f), false, false);
  m.frustum(v3(0, 0.55f, 0), 0.2f, v3(0, 0.92f, 0), 0.55f, 10, shade(ROCK, 0.6f), false, false, 0, 0, 1, true);
  m.frustum(v3(0, 0.74f, 0), 0.42f, v3(0, 0.74f, 0), 0.42f, 10, MANA_GLOW, false, true);
  m.ball(v3(0, 0.6f, 0), 0.55f);
  return m;
}

MeshBuilder menhir_tall() {
  MeshBuilder m;
  m.ax = v3(1.0f, 0, 0);
  m.az = v3(0, 0, 0.7f);
  m.frustum(v3(0, -0.1f, 0), 0.42f, v3(0.05f, 2.6f, 0), 0.24f, 5, rgb(0.46f, 0.48f, 0.50f), false, false, 0.35f,
            0.12f, 11);
  m.blob(v3(0.05f, 2.6f, 0), v3(0.26f, 0.22f, 0.26f), 0, rgb(0.5f, 0.52f, 0.54f), 0.1f, 12);
  m.resetFrame();
  m.frustum(v3(0, -0.05f, 0), 0.55f, v3(0, 0.25f, 0), 0.42f, 7, rgb(0.32f, 0.38f, 0.26f), false, false, 0, 0.2f, 13);
  m.ball(v3(0, 0.8f, 0), 0.4f);
  m.ball(v3(0, 1.9f, 0), 0.32f);
  return m;
}

MeshBuilder menhir_slab() {
  MeshBuilder m;
  m.ax = v3(1.6f, 0, 0);
  m.ay = v3(0.08f, 1, 0);  // leans a little
  m.az = v3(0, 0, 0.55f);
  m.frustum(v3(0, -0.1f, 0), 0.5f, v3(0, 1.9f, 0), 0.32f, 4, rgb(0.55f, 0.53f, 0.49f), false, false, 0.1f, 0.08f,
            21);
  m.blob(v3(0, 1.9f, 0), v3(0.34f, 0.2f, 0.34f), 0, rgb(0.58f, 0.56f, 0.52f), 0.1f, 22);
  m.resetFrame();
  m.ball(v3(0, 0.7f, 0), 0.55f);
  m.ball(v3(0.1f, 1.6f, 0), 0.45f);
  return m;
}

// A straight wall along x from -2 to 2, battlements on top.
MeshBuilder castle_wall() {
  MeshBuilder m;
  m.box(v3(-2, -0.3f, -0.45f), v3(2, 1.7f, 0.45f), CASTLE_STONE);
  m.box(v3(-2.05f, -0.3f, -0.55f), v3(2.05f, 0.25f, 0.55f), CASTLE_DARK);  // plinth
  m.merlons(v3(-2, 1.7f, -0.35f), v3(2, 1.7f, -0.35f), 0.35f, 0.2f, 6, CASTLE_STONE);
  m.merlons(v3(-2, 1.7f, 0.35f), v3(2, 1.7f, 0.35f), 0.35f, 0.2f, 6, CASTLE_STONE);
  for (int i = 0; i < 4; i++) m.ball(v3(-1.5f + float(i), 0.9f, 0), 0.75f);
  return m;
}

MeshBuilder castle_tower() {
  MeshBuilder m;
  m.frustum(v3(0, -0.3f, 0), 1.25f, v3(0, 3.0f, 0), 1.05f, 10, CASTLE_STONE, false, false);
  m.frustum(v3(0, 3.0f, 0), 1.05f, v3(0, 3.25f, 0), 1.3f, 10, CASTLE_DARK, false, false);
  m.frustum(v3(0, 3.25f, 0), 1.3f, v3(0, 3.55f, 0), 1.3f, 10, CASTLE_STONE, false, true);
  m.frustum(v3(0, 3.55f, 0), 1.0f, v3(0, 5.6f, 0), 0, 10, ROOF_RED, true, false);
  // Arrow slits on four sides.
  for (int i = 0; i < 4; i++) {
    float a = PI / 2 * float(i) + 0.3f;
    V3 c = v3(std::cos(a) * 1.17f, 1.9f, std::sin(a) * 1.17f), s = v3(-std::sin(a), 0, std::cos(a)) * 0.08f;
    V3 out = v3(std::cos(a), 0, std::sin(a)) * 0.03f;
    m.quad(c + out - s, c + out - s + v3(0, 0.55f, 0), c + out + s + v3(0, 0.55f, 0), c + out + s, DOOR);
  }
  m.ball(v3(0, 1.0f, 0), 1.2f);
  m.ball(v3(0, 2.7f, 0), 1.2f);
  m.ball(v3(0, 4.2f, 0), 1.0f);
  return m;
}

// A gatehouse with an arched dark opening through it, along x.
MeshBuilder castle_gate() {
  MeshBuilder m;
  m.box(v3(-2, -0.3f, -0.7f), v3(-0.6f, 2.3f, 0.7f), CASTLE_STONE);
  m.box(v3(0.6f, -0.3f, -0.7f), v3(2, 2.3f, 0.7f), CASTLE_STONE);
  m.box(v3(-0.6f, 1.3f, -0.7f), v3(0.6f, 2.3f, 0.7f), CASTLE_STONE);
  m.box(v3(-0.6f, -0.3f, -0.2f), v3(0.6f, 1.3f, 0.2f), DOOR);
  m.merlons(v3(-2, 2.3f, -0.6f), v3(2, 2.3f, -0.6f), 0.38f, 0.22f, 7, CASTLE_STONE);
  m.merlons(v3(-2, 2.3f, 0.6f), v3(2, 2.3f, 0.6f), 0.38f, 0.22f, 7, CASTLE_STONE);
  m.gableRoof(v3(-0.8f, 2.3f, -0.5f), v3(0.8f, 2.3f, 0.5f), 0.9f, ROOF_RED, false, 0.1f);
  m.ball(v3(-1.3f, 1.1f, 0), 0.9f);
  m.ball(v3(1.3f, 1.1f, 0), 0.9f);
  m.ball(v3(0, 2.0f, 0), 0.7f);
  return m;
}

MeshBuilder castle_keep() {
  MeshBuilder m;
  m.box(v3(-1.6f, -0.3f, -1.6f), v3(1.6f, 3.6f, 1.6f), CASTLE_STONE);
  V3 c[4] = {v3(-1.5f, 3.6f, -1.5f), v3(1.5f, 3.6f, -1.5f), v3(1.5f, 3.6f, 1.5f), v3(-1.5f, 3.6f, 1.5f)};
  for (int i = 0; i < 4; i++) m.merlons(c[i], c[(i + 1) % 4], 0.4f, 0.25f, 6, CASTLE_STONE);
  m.gableRoof(v3(-1.2f, 3.6f, -1.2f), v3(1.2f, 3.6f, 1.2f), 1.6f, ROOF_SLATE, true, 0.05f);
  m.box(v3(-0.4f, -0.3f, -1.65f), v3(0.4f, 1.1f, -1.55f), DOOR);
  for (int i = 0; i < 4; i++) {
    float x = i & 1 ? 0.8f : -0.8f, z = i & 2 ? 0.8f : -0.8f;
    m.ball(v3(x, 1.6f, z), 1.1f);
  }
  m.ball(v3(0, 3.8f, 0), 1.2f);
  return m;
}

// A tall watchtower: tapering stone shaft, timber lookout, pointed roof.
MeshBuilder guard_tower() {
  MeshBuilder m;
  m.frustum(v3(0, -0.3f, 0), 0.85f, v3(0, 3.2f, 0), 0.62f, 4, CASTLE_STONE, false, false, 0, 0, 1);
  m.rotateY(PI / 4);
  m.box(v3(-0.8f, 3.2f, -0.8f), v3(0.8f, 3.35f, 0.8f), TIMBER);
  for (int i = 0; i < 4; i++) {
    float x = i & 1 ? 0.68f : -0.8f, z = i & 2 ? 0.68f : -0.8f;
    m.box(v3(x, 3.35f, z), v3(x + 0.12f, 4.0f, z + 0.12f), TIMBER);
  }
  m.box(v3(-0.8f, 3.35f, -0.8f), v3(0.8f, 3.6f, 0.8f), shade(TIMBER, 1.2f));
  m.frustum(v3(0, 4.0f, 0), 1.2f, v3(0, 5.2f, 0), 0, 4, ROOF_RED, true, false, 0, 0, 2);
  m.resetFrame();
  m.ball(v3(0, 1.0f, 0), 0.75f);
  m.ball(v3(0, 2.5f, 0), 0.65f);
  m.ball(v3(0, 4.1f, 0), 0.85f);
  return m;
}

MeshBuilder mana_gatherer() {
  MeshBuilder m;
  m.frustum(v3(0, -0.2f, 0), 1.3f, v3(0, 0.3f, 0), 1.1f, 6, CASTLE_DARK, false, true);
  m.frustum(v3(0, 0.3f, 0), 0.6f, v3(0, 0.6f, 0), 0.45f, 6, CASTLE_STONE, false, true);
  for (int i = 0; i < 3; i++) {
    float a = 2 * PI / 3 * float(i);
    V3 p = v3(std::cos(a) * 0.9f, 0.3f, std::sin(a) * 0.9f);
    m.frustum(p, 0.14f, p + v3(-std::cos(a) * 0.25f, 1.9f, -std::sin(a) * 0.25f), 0.08f, 5, CASTLE_STONE, false, false);
    m.blob(p + v3(-std::cos(a) * 0.25f, 2.0f, -std::sin(a) * 0.25f), v3(0.14f, 0.14f, 0.14f), 0, GOLD, 0, 1);
  }
  // The floating crystal that gathers the mana.
  m.blob(v3(0, 1.55f, 0), v3(0.3f, 0.75f, 0.3f), 0, MANA_GLOW, 0.05f, 7);
  m.ball(v3(0, 0.6f, 0), 1.0f);
  m.ball(v3(0, 1.6f, 0), 0.6f);
  return m;
}

// A ring of standing stones in the x-y plane around a glowing veil.
MeshBuilder portal() {
  MeshBuilder m;
  const int segments = 14;
  const float ri = 1.35f, ro = 1.8f, d = 0.28f, cy = 1.6f;
  Rng rng(5);
  for (int i = 0; i < segments; i++) {
    float a0 = 2 * PI * float(i) / float(segments) + 0.02f, a1 = 2 * PI * float(i + 1) / float(segments) - 0.02f;
    auto at = [&](float a, float r, float z) { return v3(std::cos(a) * r, cy + std::sin(a) * r, z); };
    Rgba c = shade(rgb(0.42f, 0.40f, 0.46f), 0.85f + 0.3f * rng.next());
    m.quad(at(a0, ro, -d), at(a1, ro, -d), at(a1, ro, d), at(a0, ro, d), c);
    m.quad(at(a0, ri, d), at(a1, ri, d), at(a1, ri, -d), at(a0, ri, -d), shade(c, 0.8f));
    m.quad(at(a0, ri, -d), at(a1, ri, -d), at(a1, ro, -d), at(a0, ro, -d), c);
    m.quad(at(a0, ro, d), at(a1, ro, d), at(a1, ri, d), at(a0, ri, d), c);
    m.quad(at(a0, ri, -d), at(a0, ro, -d), at(a0, ro, d), at(a0, ri, d), shade(c, 0.9f));
    m.quad(at(a1, ri, d), at(a1, ro, d), at(a1, ro, -d), at(a1, ri, -d), shade(c, 0.9f));
  }
  for (int i = 0; i < 16; i++) {
    float a0 = 2 * PI * float(i) / 16, a1 = 2 * PI * float(i + 1) / 16;
    V3 p0 = v3(std::cos(a0) * ri, cy + std::sin(a0) * ri, 0), p1 = v3(std::cos(a1) * ri, cy + std::sin(a1) * ri, 0);
    m.twoSided(v3(0, cy, 0), p1, p0, i & 1 ? PORTAL_GLOW : shade(PORTAL_GLOW, 0.8f));
  }
  m.box(v3(-1.4f, -0.3f, -0.5f), v3(1.4f, 0.15f, 0.5f), CASTLE_DARK);
  m.ball(v3(-1.2f, 1.0f, 0), 0.5f);
  m.ball(v3(1.2f, 1.0f, 0), 0.5f);
  m.ball(v3(0, 3.0f, 0), 0.5f);
  return m;
}

// Cross-section ring of a spline body at t with half sizes (w, h).
void body_segment(MeshBuilder& m, float t0, float w0, float h0, float t1, float w1, float h1, Rgba top, Rgba belly) {
  const int sides = 6;
  for (int i = 0; i < sides; i++) {
    float a0 = 2 * PI * float(i) / float(sides), a1 = 2 * PI * float(i + 1) / float(sides);
    V3 p00 = v3(std::cos(a0) * w0, std::sin(a0) * h0, t0), p01 = v3(std::cos(a1) * w0, std::sin(a1) * h0, t0);
    V3 p10 = v3(std::cos(a0) * w1, std::sin(a0) * h1, t1), p11 = v3(std::cos(a1) * w1, std::sin(a1) * h1, t1);
    Rgba c = std::sin((a0 + a1) / 2) > 0 ? top : belly;
    if (w1 > 1e-4f)
      m.quad(p00, p01, p11, p10, c);
    else
      m.triangle(p00, p01, p10, c);
  }
}

MeshBuilder bird() {
  MeshBuilder m;
  const Rgba back = rgb(0.22f, 0.22f, 0.28f), belly = rgb(0.75f, 0.72f, 0.65f), wing = rgb(0.26f, 0.25f, 0.32f);
  body_segment(m, 0.12f, 0.02f, 0.015f, 0.3f, 0.07f, 0.06f, back, belly);
  body_segment(m, 0.3f, 0.07f, 0.06f, 0.7f, 0.08f, 0.07f, back, belly);
  body_segment(m, 0.7f, 0.08f, 0.07f, 0.85f, 0.05f, 0.05f, back, belly);
  body_segment(m, 0.85f, 0.05f, 0.05f, 0.95f, 0.04f, 0.04f, back, back);
  body_segment(m, 0.95f, 0.04f, 0.04f, 1.0f, 0, 0, GOLD, GOLD);  // beak
  // Tail fan and swept wings; the wings flap through the instance data.
  m.twoSided(v3(0, 0.0f, 0.3f), v3(-0.12f, 0, 0.0f), v3(0.12f, 0, 0.0f), back);
  for (float s : {-1.0f, 1.0f}) {
    m.twoSided(v3(0.06f * s, 0.02f, 0.62f), v3(0.06f * s, 0.02f, 0.4f), v3(0.35f * s, 0.03f, 0.5f), wing);
    m.twoSided(v3(0.35f * s, 0.03f, 0.5f), v3(0.06f * s, 0.02f, 0.4f), v3(0.62f * s, 0.02f, 0.3f), shade(wing, 0.9f));
  }
  m.ball(v3(0, 0, 0.5f), 0.15f);
  return m;
}

MeshBuilder wyvern() {
  MeshBuilder m;
  const Rgba scales = rgb(0.42f, 0.14f, 0.10f), belly = rgb(0.72f, 0.52f, 0.28f);
  const Rgba membrane = rgb(0.58f, 0.24f, 0.16f), horn = rgb(0.85f, 0.80f, 0.65f);
  // Tail, body, neck, head along the curve.
  body_segment(m, 0.0f, 0, 0, 0.3f, 0.1f, 0.09f, scales, belly);
  body_segment(m, 0.3f, 0.1f, 0.09f, 0.45f, 0.28f, 0.25f, scales, belly);
  body_segment(m, 0.45f, 0.28f, 0.25f, 0.62f, 0.3f, 0.27f, scales, belly);
  body_segment(m, 0.62f, 0.3f, 0.27f, 0.75f, 0.12f, 0.12f, scales, belly);
  body_segment(m, 0.75f, 0.12f, 0.12f, 0.88f, 0.1f, 0.1f, scales, belly);
  body_segment(m, 0.88f, 0.1f, 0.1f, 0.93f, 0.16f, 0.14f, scales, scales);
  body_segment(m, 0.93f, 0.16f, 0.14f, 1.0f, 0.05f, 0.04f, scales, belly);
  // Tail spade, horns.
  m.twoSided(v3(0, 0, 0.06f), v3(-0.18f, 0, -0.02f), v3(0.18f, 0, -0.02f), scales);
  for (float s : {-1.0f, 1.0f}) {
    m.frustum(v3(0.08f * s, 0.1f, 0.92f), 0.03f, v3(0.14f * s, 0.18f, 0.86f), 0, 4, horn, false, false);
    // Bat wings: a bony front edge and a membrane in two panels.
    V3 shoulder = v3(0.25f * s, 0.12f, 0.6f), elbow = v3(0.9f * s, 0.3f, 0.58f), tip = v3(1.7f * s, 0.15f, 0.4f);
    V3 root = v3(0.2f * s, 0.1f, 0.38f), trail = v3(1.0f * s, 0.05f, 0.25f);
    m.frustum(shoulder, 0.06f, elbow, 0.04f, 4, scales, false, false);
    m.twoSided(shoulder, elbow, root, membrane);
    m.twoSided(elbow, trail, root, shade(membrane, 0.9f));
    m.twoSided(elbow, tip, trail, shade(membrane, 1.1f));
    // Legs tucked under the body.
    m.frustum(v3(0.18f * s, -0.15f, 0.42f), 0.06f, v3(0.22f * s, -0.42f, 0.36f), 0.03f, 4, scales, false, true);
  }
  m.ball(v3(0, 0, 0.5f), 0.4f);
  m.ball(v3(0, 0, 0.85f), 0.2f);
  return m;
}

// House tiles fill one cell (x and z from -0.45 to 0.45).
// The terrain leaves house cells to the house meshes: each brings the
// cell's ground with it, a slab a little wider than the cell. Its bottom
// (y = -1) is where the house shader lowers it to the cell's lowest
// corner, so the slab's sides meet the neighbouring land on terraces and
// hillsides and leave no hole to see through.
void yard(MeshBuilder& m) { m.box(v3(-0.52f, -1.f, -0.52f), v3(0.52f, -0.02f, 0.52f), YARD); }

// A village cell under a roof: the building shader lifts the top (y near
// 0) onto the cell's four corner heights, where the village's houses stand
// in the heightmap, and lowers the bottom (y = -1) below the lowest, so a
// footprint reads as roofs over plastered walls.
MeshBuilder house_roof() {
  MeshBuilder m;
  m.box(v3(-0.5f, -1.f, -0.5f), v3(0.5f, -0.12f, 0.5f), PLASTER);
  m.box(v3(-0.53f, -0.12f, -0.53f), v3(0.53f, 0.f, 0.53f), ROOF_RED);
  return m;
}

MeshBuilder cottage() {
  MeshBuilder m;
  yard(m);
  m.box(v3(-0.36f, -0.1f, -0.28f), v3(0.36f, 0.42f, 0.28f), PLASTER);
  m.gableRoof(v3(-0.36f, 0.42f, -0.28f), v3(0.36f, 0.42f, 0.28f), 0.36f, THATCH, true, 0.07f);
  m.box(v3(-0.08f, -0.1f, -0.3f), v3(0.08f, 0.24f, -0.28f), DOOR);
  m.ball(v3(0, 0.35f, 0), 0.38f);
  return m;
}

MeshBuilder town_house() {
  MeshBuilder m;
  yard(m);
  m.box(v3(-0.3f, -0.1f, -0.32f), v3(0.3f, 0.4f, 0.32f), shade(CASTLE_STONE, 0.9f));
  m.box(v3(-0.33f, 0.4f, -0.35f), v3(0.33f, 0.78f, 0.35f), PLASTER);
  for (int i = 0; i < 3; i++) {
    float x = -0.33f + 0.33f * float(i);
    m.box(v3(x - 0.015f, 0.4f, -0.36f), v3(x + 0.015f, 0.78f, -0.34f), TIMBER);
  }
  m.gableRoof(v3(-0.33f, 0.78f, -0.35f), v3(0.33f, 0.78f, 0.35f), 0.4f, ROOF_RED, false, 0.06f);
  m.box(v3(0.12f, 0.85f, 0.1f), v3(0.22f, 1.2f, 0.2f), shade(CASTLE_STONE, 0.7f));  // chimney
  m.ball(v3(0, 0.55f, 0), 0.45f);
  return m;
}

MeshBuilder long_house() {
  MeshBuilder m;
  yard(m);
  m.box(v3(-0.44f, -0.1f, -0.22f), v3(0.44f, 0.3f, 0.22f), shade(TIMBER, 1.3f));
  m.gableRoof(v3(-0.44f, 0.3f, -0.22f), v3(0.44f, 0.3f, 0.22f), 0.32f, ROOF_SLATE, true, 0.05f);
  m.box(v3(-0.1f, -0.1f, -0.24f), v3(0.1f, 0.22f, -0.22f), DOOR);
  m.ball(v3(-0.22f, 0.28f, 0), 0.3f);
  m.ball(v3(0.22f, 0.28f, 0), 0.3f);
  return m;
}
}  // namespace

MeshFile mesh_file_for(InstLayout layout) {
  MeshFile f;
  const char* kind = layout == InstLayout::Simple   ? "simple"
                     : layout == InstLayout::Morph  ? "morph"
                     : layout == InstLayout::Spline ? "spline"
                                                    : "building";
  f.forwardShader = std::string("shaders/inst_") + kind + ".sh";
  f.deferredShader = std::string("shaders/dr_inst_") + kind + ".sh";
  f.layout = layout == InstLayout::Morph ? VertexLayout::Morph : VertexLayout::Plain;
  return f;
}

std::vector<GameMesh> game_meshes() {
  MeshBuilder conifer1 = conifer(2.2f, 1), conifer2 = conifer(1.6f, 2);
  MeshBuilder broad1 = broadleaf(2.0f, 3), broad2 = broadleaf(1.5f, 4);
  return {
      {"tree_conifer1", InstLayout::Morph, conifer1},
      {"tree_conifer2", InstLayout::Morph, conifer2},
      {"tree_broadleaf1", InstLayout::Morph, broad1},
      {"tree_broadleaf2", InstLayout::Morph, broad2},
      {"tree_conifer_burnt", InstLayout::Simple, burnt(conifer1)},
      {"tree_broadleaf_burnt", InstLayout::Simple, burnt(broad1)},
      {"stone1", InstLayout::Simple, stone(v3(0.5f, 0.35f, 0.42f), 31)},
      {"stone2", InstLayout::Simple, stone(v3(0.32f, 0.28f, 0.3f), 32)},
      {"stone3", InstLayout::Simple, stone(v3(0.8f, 0.45f, 0.6f), 33)},
      {"stone_cup", InstLayout::Simple, stone_cup()},
      {"menhir1", InstLayout::Simple, menhir_tall()},
      {"menhir2", InstLayout::Simple, menhir_slab()},
      {"castle_wall1", InstLayout::Simple, castle_wall()},
      {"castle_tower1", InstLayout::Simple, castle_tower()},
      {"castle_gate1", InstLayout::Simple, castle_gate()},
      {"castle_keep1", InstLayout::Simple, castle_keep()},
      {"guard_tower1", InstLayout::Simple, guard_tower()},
      {"mana_gatherer", InstLayout::Simple, mana_gatherer()},
      {"portal", InstLayout::Simple, portal()},
      {"bird_body", InstLayout::Spline, bird()},
      {"wyvern_body", InstLayout::Spline, wyvern()},
      {"house1", InstLayout::Building, cottage()},
      {"house2", InstLayout::Building, town_house()},
      {"house3", InstLayout::Building, long_house()},
      {"house_roof", InstLayout::Building, house_roof()},
  };
}

}  // namespace meshgen
