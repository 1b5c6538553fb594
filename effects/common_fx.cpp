// Effect pools and their simulation. Drawing lives in common_fx_render.cpp.
#include "effects/common_fx.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/allocator.h"
#include "core/check.h"
#include "terrain/game_random.h"
#include "terrain/noise.h"
#include "terrain/ramp.h"

FxParticlePool fx_blend_pool;
FxParticlePool fx_glow_pool;
FxTrail fx_trails[MAX_TRAILS];
DynArray<FxBolt> fx_bolts;

namespace {

int first_free_trail = -1;

template <class Ramp>
struct NamedRamp {
  char name[32];
  Ramp* ramp;
};

template <class Ramp>
Ramp* find_or_make_ramp(DynArray<NamedRamp<Ramp>>& list, const char* name) {
  for (NamedRamp<Ramp>& r : list)
    if (strncmp(r.name, name, sizeof(r.name)) == 0) return r.ramp;
  NamedRamp<Ramp>& r = list.append();
  snprintf(r.name, sizeof(r.name), "%s", name);
  r.ramp = static_cast<Ramp*>(dlmalloc(sizeof(Ramp)));
  ASSERT(r.ramp);
  memset(static_cast<void*>(r.ramp), 0, sizeof(Ramp));
  return r.ramp;
}

template <class Ramp>
void free_ramps(DynArray<NamedRamp<Ramp>>& list) {
  for (NamedRamp<Ramp>& r : list) dlfree(r.ramp);
  list.clear();
}

// The lists free their ramps when the program ends without a shutdown
// (tests), since the lists themselves go then.
struct KeptRamps {
  DynArray<NamedRamp<ColorRamp>> color;
  DynArray<NamedRamp<FloatRamp>> floats;
  ~KeptRamps() {
    free_ramps(color);
    free_ramps(floats);
  }
} kept_ramps;

constexpr float FIRST_STEP = 0.05f;
constexpr float WORLD = 256.f;

void step_particle(FxParticle& p, float dt) {
  p.prevPos = p.pos;
  float drag = _mm_cvtss_f32(_mm_shuffle_ps(p.vel, p.vel, _MM_SHUFFLE(3, 3, 3, 3)));
  __m128 v = p.vel;
  __m128 dv = _mm_mul_ps(_mm_set1_ps(dt), _mm_sub_ps(p.accel, _mm_mul_ps(v, _mm_set1_ps(drag))));
  dv = _mm_and_ps(dv, _mm_castsi128_ps(_mm_set_epi32(0, -1, -1, -1)));  // keep the drag in w
  p.vel = _mm_add_ps(v, dv);
  __m128 move = _mm_mul_ps(_mm_set1_ps(dt), p.vel);
  move = _mm_and_ps(move, _mm_castsi128_ps(_mm_set_epi32(0, -1, -1, -1)));
  p.pos = _mm_add_ps(p.pos, move);
}

void add_particle(FxParticlePool& pool, __m128 pos, __m128 vel, __m128 accel, float life, float delay, float size,
                  D3dColor color, float mapU, float mapV, float mapSize, float startRoll, float rollScale,
                  const ColorRamp* colorAnim, const FloatRamp* sizeAnim, const FloatRamp* rollAnim) {
  int index = pool.firstFree;
  if (index >= 0) {
    pool.firstFree = int(pool.parts[index].age);
  } else {
    index = pool.parts.size();
    pool.parts.resize(index + 1);
  }
  FxParticle& p = pool.parts[index];
  p.pos = p.prevPos = pos;
  p.vel = vel;
  p.accel = accel;
  p.life = life;
  p.age = -delay;
  p.size = size;
  p.color = color;
  p.mapU = (mapU + mapSize * 0.5f) / 512.f;
  p.mapV = (mapV + mapSize * 0.5f) / 256.f;
  p.mapHalf = mapSize * 0.5f;
  p.startRoll = startRoll;
  p.rollScale = rollScale;
  p.colorAnim = colorAnim;
  p.sizeAnim = sizeAnim;
  p.rollAnim = rollAnim;
  // Particles spawn in the middle of an update step; the first step makes
  // them leave their emitter at once instead of one step late.
  if (delay <= 0.f)
    step_particle(p, FIRST_STEP);
  else if (delay < FIRST_STEP)
    step_particle(p, FIRST_STEP - delay);
}

void free_particle(FxParticlePool& pool, int index) {
  FxParticle& p = pool.parts[index];
  p.life = -1.f;
  p.age = float(pool.firstFree);
  pool.firstFree = index;
}

void update_pool(FxParticlePool& pool, float dt) {
  for (int i = 0; i < pool.parts.size(); i++) {
    FxParticle& p = pool.parts[i];
    if (!(p.life > 0.f)) continue;
    float before = p.age;
    p.age += dt;
    if (p.age >= p.life)
      free_particle(pool, i);
    else if (before + dt < 0.f)
      continue;
    else if (before < 0.f)
      step_particle(p, before + dt);
    else
      step_particle(p, dt);
  }
}

void reset_pool(FxParticlePool& pool) {
  pool.parts.clear();
  pool.parts.reserve(10000);
  pool.firstFree = -1;
}

float world_shift(float x) { return -std::floor(x / WORLD) * WORLD; }

// The copy of v (x and z moved by multiples of 256) nearest to ref.
__m128 nearest_copy(__m128 v, __m128 ref) {
  alignas(16) float a[4], r[4];
  _mm_store_ps(a, v);
  _mm_store_ps(r, ref);
  a[0] = r[0] + wrap(a[0] - r[0]);
  a[2] = r[2] + wrap(a[2] - r[2]);
  return _mm_load_ps(a);
}

void free_trail(int index) {
  FxTrail& tr = fx_trails[index];
  tr.count = 0;
  tr.head = 0;
  tr.stopping = false;
  tr.nextFree = first_free_trail;
  first_free_trail = index;
}

void push_trail_point(FxTrail& tr, __m128 pos, __m128 vel, __m128 side) {
  FxTrailPoint& old = tr.points[tr.head];
  tr.head = (tr.head + TRAIL_POINTS - 1) % TRAIL_POINTS;
  FxTrailPoint& pt = tr.points[tr.head];
  if (tr.count > 0) {
    __m128 oldPrev = old.prevPos;
    pt.pos = nearest_copy(pos, oldPrev);
    pt.prevPos = oldPrev;
    if (tr.count < TRAIL_POINTS) tr.count++;
  } else {
    pt.pos = pt.prevPos = pos;
    tr.count = 1;
  }
  pt.side = side;
  pt.vel = vel;
  pt.color = tr.color;
}

void update_trail(int index, float dt) {
  FxTrail& tr = fx_trails[index];
  if (tr.stopping) tr.count--;
  if (tr.count <= 0) {
    // An emptied trail goes back on the free list, or a long game would
    // run out of trails.
    free_trail(index);
    return;
  }
  alignas(16) float headPos[4];
  _mm_store_ps(headPos, tr.points[tr.head].pos);
  __m128 shift = _mm_set_ps(0.f, world_shift(headPos[2]), 0.f, world_shift(headPos[0]));
  __m128 vdt = _mm_set1_ps(dt);
  for (int k = 0; k < tr.count; k++) {
    FxTrailPoint& pt = tr.points[(tr.head + k) % TRAIL_POINTS];
    pt.prevPos = _mm_add_ps(pt.pos, shift);
    pt.pos = _mm_add_ps(pt.prevPos, _mm_mul_ps(vdt, pt.vel));
  }
}

bool valid_trail(int index) { return index >= 0 && index < MAX_TRAILS; }

float fractal_noise4(float x) {
  float sum = 0.f, weight = 1.f;
  for (int octave = 0; octave < 4; octave++) {
    sum += weight * noise1(x);
    weight *= 0.5f;
    x = 2.f * x + 0.5f;
  }
  return sum;
}

}  // namespace

ColorRamp* fx_color_ramp(const char* name) { return find_or_make_ramp(kept_ramps.color, name); }
FloatRamp* fx_float_ramp(const char* name) { return find_or_make_ramp(kept_ramps.floats, name); }

// Particles are gone first, then the ramps they pointed to.
void free_fx_ramps() {
  reset_common_fx();
  free_ramps(kept_ramps.color);
  free_ramps(kept_ramps.floats);
}

void reset_common_fx() {
  reset_pool(fx_blend_pool);
  reset_pool(fx_glow_pool);
  first_free_trail = -1;
  for (int i = MAX_TRAILS - 1; i >= 0; i--) free_trail(i);
  fx_bolts.clear();
}

void update_common_fx(float dt) {
  update_pool(fx_blend_pool, dt);
  update_pool(fx_glow_pool, dt);
  for (int i = 0; i < MAX_TRAILS; i++)
    if (fx_trails[i].count > 0) update_trail(i, dt);
  for (int i = 0; i < fx_bolts.size();) {
    fx_bolts[i].age += dt;
    if (fx_bolts[i].age >= fx_bolts[i].life)
      fx_bolts.erase(i, 1);
    else
      i++;
  }
}

void add_blend_particle(__m128 pos, __m128 vel, __m128 accel, float life, float delay, float size, D3dColor color,
                        float mapU, float mapV, float mapSize, float startRoll, float rollScale,
                        const ColorRamp* colorAnim, const FloatRamp* sizeAnim, const FloatRamp* rollAnim) {
  add_particle(fx_blend_pool, pos, vel, accel, life, delay, size, color, mapU, mapV, mapSize, startRoll, rollScale,
               colorAnim, sizeAnim, rollAnim);
}

void add_glow_particle(__m128 pos, __m128 vel, __m128 accel, float life, float delay, float size, D3dColor color,
                       float mapU, float mapV, float mapSize, float startRoll, float rollScale,
                       const ColorRamp* colorAnim, const FloatRamp* sizeAnim, const FloatRamp* rollAnim) {
  add_particle(fx_glow_pool, pos, vel, accel, life, delay, size, color, mapU, mapV, mapSize, startRoll, rollScale,
               colorAnim, sizeAnim, rollAnim);
}

int add_trail_fx(__m128 pos, __m128 vel, __m128 side, float width, D3dColor color) {
  int index = first_free_trail;
  if (index < 0) return -1;
  FxTrail& tr = fx_trails[index];
  ASSERT(!tr.isAlive());
  first_free_trail = tr.nextFree;
  tr.nextFree = -1;
  tr.width = width;
  tr.color = color;
  tr.stopping = false;
  tr.count = 0;
  push_trail_point(tr, pos, vel, side);
  return index;
}

void add_trail_point(int index, __m128 pos, __m128 vel, __m128 side) {
  // A freed trail is on the free list; giving it points would hand it out twice.
  if (!valid_trail(index) || !fx_trails[index].isAlive()) return;
  push_trail_point(fx_trails[index], pos, vel, side);
}

void set_trail_color(int index, D3dColor color) {
  if (valid_trail(index)) fx_trails[index].color = color;
}

void stop_trail_fx(int index) {
  if (valid_trail(index) && fx_trails[index].isAlive()) fx_trails[index].stopping = true;
}

void kill_trail_fx(int index) {
  if (valid_trail(index) && fx_trails[index].isAlive()) free_trail(index);
}

void add_lightning_fx(__m128 from, __m128 to, __m128 tangent, float width, float wavelength, float amplitude,
                      float life, D3dColor color, int pointCount) {
  to = nearest_copy(to, from);
  int n = pointCount < 3 ? 3 : pointCount;
  float w = frnd();
  float ox = (2.f * frnd() - 1.f) * 1000.f;
  float oy = (2.f * frnd() - 1.f) * 1000.f;
  float oz = (2.f * frnd() - 1.f) * 1000.f;

  FxBolt& bolt = fx_bolts.append();
  bolt.points.resize(n);
  bolt.age = 0.f;
  bolt.life = life;
  bolt.width = width;
  __m128 bend = _mm_sub_ps(_mm_sub_ps(to, from), tangent);
  __m128 prev = from;
  for (int i = 0; i < n; i++) {
    float s = float(i) / float(n - 1);
    __m128 base = _mm_add_ps(from, _mm_add_ps(_mm_mul_ps(tangent, _mm_set1_ps(s)), _mm_mul_ps(bend, _mm_set1_ps(s * s))));
    float q = w * width / (0.0625f * wavelength);
    float a = amplitude * 4.f * s * (1.f - s);
    __m128 disp = _mm_set_ps(0.f, a * fractal_noise4(q + oz), a * fractal_noise4(q + oy), a * fractal_noise4(q + ox));
    __m128 pos = _mm_add_ps(base, disp);
    if (i > 0) {
      alignas(16) float d[4];
      _mm_store_ps(d, _mm_sub_ps(pos, prev));
      w += (0.0625f / width) * std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    }
    FxBoltPoint& bp = bolt.points[i];
    bp.pos = pos;
    bp.color = (i == 0 || i == n - 1) ? 0 : color;
    bp.texCoord = w;
    prev = pos;
  }
}
