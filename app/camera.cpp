#include "app/camera.h"
#include <cmath>
#include "gameobj_host/player_base.h"
#include "terrain/game_random.h"
#include "gameobj_host/module_call_guard.h"

Camera camera = {_mm_setr_ps(0, 0, 0, 1), _mm_setr_ps(0, 0, 0, 1), 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, false,
                 _mm_setzero_ps()};
__m128 cur_frame_color = _mm_setzero_ps();

namespace {
constexpr float TWO_PI = 6.283185307179586f;
constexpr float HALF_PI = 1.5707963267948966f;

void set_row(Matrix44& m, int r, __m128 v) { _mm_storeu_ps(m.m[r], v); }
}  // namespace

void set_camera_pos(__m128 p) { camera.pos = camera.prevPos = p; }

void reset_fly_control() {
  camera.zoom = 1.f;
  camera.forwardTap = camera.backTap = 0.f;
  camera.hspeed = camera.prevHspeed = 0.f;
  camera.dash = 0;
  camera.prevPos = camera.pos;
  if (local_player) run_module_code("Player::resetFlyControl", [] { local_player->resetFlyControl(); });
  camera.mouseCaptured = false;
}

void set_view_heading(float yaw, float pitch) {
  camera.yaw = 0.f;
  camera.pitch = 0.f;
  camera.roll = camera.prevRoll = 0.f;
  turn_camera(yaw, pitch);
}

Matrix44 get_camera_matrix(float t) {
  float s = UPDATES_PER_SECOND * t;
  float r = camera.prevRoll + (camera.roll - camera.prevRoll) * s;
  float cy = cosf(camera.yaw), sy = sinf(camera.yaw);
  float cp = cosf(camera.pitch), sp = sinf(camera.pitch);
  __m128 right0 = _mm_setr_ps(cy, 0, sy, 0);
  __m128 forward = _mm_setr_ps(-cp * sy, sp, cp * cy, 0);
  __m128 up0 = _mm_setr_ps(sp * sy, cp, -sp * cy, 0);
  __m128 cr = _mm_set1_ps(cosf(r)), sr = _mm_set1_ps(sinf(r));
  Matrix44 m;
  set_row(m, 0, _mm_sub_ps(_mm_mul_ps(cr, right0), _mm_mul_ps(sr, up0)));
  set_row(m, 1, _mm_add_ps(_mm_mul_ps(sr, right0), _mm_mul_ps(cr, up0)));
  set_row(m, 2, forward);
  alignas(16) float d[4];
  _mm_store_ps(d, _mm_sub_ps(camera.pos, camera.prevPos));
  d[0] = wrap(d[0]);
  d[2] = wrap(d[2]);
  set_row(m, 3, _mm_add_ps(camera.prevPos, _mm_mul_ps(_mm_load_ps(d), _mm_set1_ps(s))));
  return m;
}

void begin_camera_update(float dt) {
  camera.prevPos = camera.pos;
  camera.prevRoll = camera.roll;
  camera.prevHspeed = camera.hspeed;
  camera.prevZoom = camera.zoom;
  camera.prevFrameColor = cur_frame_color;
  alignas(16) float c[4];
  _mm_store_ps(c, cur_frame_color);
  for (int i = 0; i < 3; i++) c[i] = fmaxf(c[i], 0.f);
  c[3] = fmaxf(0.f, c[3] * (1.f - dt / 2) - dt / 2);
  cur_frame_color = _mm_load_ps(c);
}

float get_camera_fov(float t) {
  float z = camera.prevZoom + (camera.zoom - camera.prevZoom) * UPDATES_PER_SECOND * t;
  return CAMERA_FOV / z;
}

void turn_camera(float dyaw, float dpitch) {
  camera.yaw += dyaw;
  if (camera.yaw >= TWO_PI) camera.yaw -= TWO_PI;
  if (camera.yaw <= -TWO_PI) camera.yaw += TWO_PI;
  camera.pitch = fminf(fmaxf(camera.pitch + dpitch, -HALF_PI), HALF_PI);
}
