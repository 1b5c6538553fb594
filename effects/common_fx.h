#pragma once
// Particles, trails and lightning bolts: the effects the game-object module
// spawns. Two particle pools (blended smoke, additive glow), a fixed pool of
// trails and a list of bolts, stepped once per world update and drawn once
// per frame after the scene. Everything lives on the 256-unit torus and is
// drawn at the copy nearest the camera.
#include <xmmintrin.h>

#include <cstdint>

#include "core/dyn_array.h"
#include "render/render_types.h"

struct ColorRamp;
struct FloatRamp;

struct FxParticle {
  __m128 pos;
  __m128 vel;  // w: linear drag per second
  __m128 accel;
  __m128 prevPos;
  float life;  // -1: free record
  float age;   // negative while the delay runs; next free index when free
  float size;
  D3dColor color;
  float mapU;  // sprite centre in the atlas, 0..1
  float mapV;
  float mapHalf;  // half the sprite size in atlas pixels
  float startRoll;
  float rollScale;
  const ColorRamp* colorAnim;
  const FloatRamp* sizeAnim;
  const FloatRamp* rollAnim;
};

struct FxParticlePool {
  DynArray<FxParticle> parts;
  int firstFree = -1;
};

constexpr int TRAIL_POINTS = 16;
constexpr int MAX_TRAILS = 4000;

struct FxTrailPoint {
  __m128 pos;
  __m128 prevPos;
  __m128 side;
  __m128 vel;
  D3dColor color;
};

struct FxTrail {
  FxTrailPoint points[TRAIL_POINTS];
  int count;  // 0: free record
  int head;   // ring index of the newest point
  int nextFree;
  float width;
  D3dColor color;
  bool stopping;
  bool isAlive() const { return count > 0; }
};

struct FxBoltPoint {
  __m128 pos;
  D3dColor color;
  float texCoord;
};

struct FxBolt {
  DynArray<FxBoltPoint> points;
  float age;
  float life;
  float width;
};

// Pools, for the renderer and tests.
extern FxParticlePool fx_blend_pool;
extern FxParticlePool fx_glow_pool;
extern FxTrail fx_trails[MAX_TRAILS];
extern DynArray<FxBolt> fx_bolts;

void init_common_fx();
void close_common_fx();
void reset_common_fx();
void update_common_fx(float dt);
// sub: time since the last update step; alpha: interpolation fraction.
void render_common_fx(float sub, float alpha);

void add_blend_particle(__m128 pos, __m128 vel, __m128 accel, float life, float delay, float size, D3dColor color,
                        float mapU, float mapV, float mapSize, float startRoll, float rollScale,
                        const ColorRamp* colorAnim, const FloatRamp* sizeAnim, const FloatRamp* rollAnim);
void add_glow_particle(__m128 pos, __m128 vel, __m128 accel, float life, float delay, float size, D3dColor color,
                       float mapU, float mapV, float mapSize, float startRoll, float rollScale,
                       const ColorRamp* colorAnim, const FloatRamp* sizeAnim, const FloatRamp* rollAnim);

// Returns the trail's index, or -1 when every trail is in use.
int add_trail_fx(__m128 pos, __m128 vel, __m128 side, float width, D3dColor color);
void add_trail_point(int index, __m128 pos, __m128 vel, __m128 side);
void set_trail_color(int index, D3dColor color);
void stop_trail_fx(int index);
void kill_trail_fx(int index);

// Ramps particles animate with, kept by the effects for the whole run: a
// particle never outlives its ramps, even when the code that made them is
// reloaded. The same name gives the same ramp; a new one is zeroed.
ColorRamp* fx_color_ramp(const char* name);
FloatRamp* fx_float_ramp(const char* name);
// Empties the pools and frees every kept ramp (shutdown).
void free_fx_ramps();

void add_lightning_fx(__m128 from, __m128 to, __m128 tangent, float width, float wavelength, float amplitude,
                      float life, D3dColor color, int pointCount);
