#include "app/fly_control.h"
#include <cmath>
#include "app/app_globals.h"
#include "app/camera.h"
#include "app/controls.h"
#include "app/input.h"
#include "gameobj_host/gameobj_functions.h"
#include "gameobj_host/player_base.h"
#include "render/device.h"
#include "gameobj_host/module_call_guard.h"

namespace {
float axis(bool plus, bool minus) { return float(plus) - float(minus); }

// A double tap within the window dashes in `direction`; any other press ends
// a dash.
void note_tap(int button, float& timer, int direction) {
  if (!button_down(button)) return;
  camera.dash = timer > 0.f ? direction : 0;
  timer = DOUBLE_TAP_WINDOW;
}

// Offset of the mouse from the centre of the back buffer, in pixels.
void mouse_offset(float* dx, float* dy) {
  float x, y;
  getMousePos(&x, &y);
  *dx = x - float(d3d_wd / 2);
  *dy = y - float(d3d_ht / 2);
}

void recentre_mouse() {
  setMousePos(float(d3d_wd / 2), float(d3d_ht / 2));
  camera.mouseCaptured = true;
}
}  // namespace

void update_play_control(float dt) {
  camera.forwardTap = fmaxf(camera.forwardTap - dt, 0.f);
  camera.backTap = fmaxf(camera.backTap - dt, 0.f);
  camera.roll *= fmaxf(0.f, 1.f - ROLL_DECAY * dt);
  if (!isAppActive) {
    camera.mouseCaptured = false;
    shouldHideMouse = false;
    return;
  }
  Matrix44 m = get_camera_matrix(0);
  note_tap(B_FORWARD, camera.forwardTap, +1);
  note_tap(B_BACK, camera.backTap, -1);
  float strafe = axis(button_state(B_RIGHT), button_state(B_LEFT));
  float ahead = axis(button_state(B_FORWARD), button_state(B_BACK)) + float(camera.dash);
  float rise = axis(button_state(B_UP), button_state(B_DOWN));
  float step = PLAY_MOVE_SPEED * dt;
  if (camera.dash != 0 || button_state(B_TURBO)) step *= PLAY_TURBO_FACTOR;

  __m128 v = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(strafe), matrix_row(m, 0)),
                        _mm_mul_ps(_mm_set1_ps(ahead), matrix_row(m, 2)));
  v = _mm_add_ps(v, _mm_setr_ps(0, rise, 0, 0));
  alignas(16) float c[4];
  _mm_store_ps(c, v);
  float len = sqrtf(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
  float scale = len > 0.f ? step / len : 0.f;
  c[0] *= scale, c[1] *= scale, c[2] *= scale, c[3] = 0.f;
  v = _mm_load_ps(c);
  if (local_player) {
    run_module_code("Player::fly", [&] {
      local_player->fly(dt, step, &v, &m, camera.dash);
      local_player->getPos(&camera.pos);
    });
  }
  camera.hspeed = sqrtf(c[0] * c[0] + c[2] * c[2]);
}

void update_play_mouse(float dt) {
  if (!isMouseOver() || !isAppActive) {
    shouldHideMouse = false;
    camera.mouseCaptured = false;
    return;
  }
  if (gameobj_functions.update_spells_ui_mouse && gameobj_functions.update_spells_ui_mouse(dt)) {
    camera.mouseCaptured = false;
    return;
  }
  if (camera.mouseCaptured) {
    float mx, my;
    mouse_offset(&mx, &my);
    float dx = MOUSE_SENSITIVITY * mx;
    turn_camera(-dx, -MOUSE_SENSITIVITY * my);
    float h = camera.prevHspeed + (camera.hspeed - camera.prevHspeed) * UPDATES_PER_SECOND * dt;
    camera.roll += dx * h * PLAY_ROLL_FACTOR;
  }
  recentre_mouse();
  shouldHideMouse = true;
}

void update_dev_control(float dt) {
  Matrix44 m = get_camera_matrix(0);
  if (isAppActive) {
    float strafe = axis(button_state(B_RIGHT), button_state(B_LEFT));
    float ahead = axis(button_state(B_FORWARD), button_state(B_BACK));
    float lift = axis(getKeyState('E') || getKeyState(VK_PRIOR), getKeyState('C') || getKeyState(VK_NEXT));
    float climb = axis(getKeyState('Q') || getKeyState(VK_HOME), getKeyState('Z') || getKeyState(VK_END));
    float step = DEV_MOVE_SPEED * dt;
    if (button_state(B_TURBO)) step *= DEV_TURBO_FACTOR;
    const float factor[4] = {strafe, lift, ahead, climb};
    const __m128 dir[4] = {matrix_row(m, 0), matrix_row(m, 1), matrix_row(m, 2), _mm_setr_ps(0, 1, 0, 0)};
    for (int i = 0; i < 4; i++)
      if (factor[i] != 0.f)
        camera.pos = _mm_add_ps(camera.pos, _mm_mul_ps(_mm_set1_ps(step * factor[i]), dir[i]));
    if (getKeyState(VK_MBUTTON)) {
      camera.zoom = fminf(camera.zoom + ZOOM_RATE * dt, ZOOM_LIMIT);
      return;
    }
  }
  camera.zoom = fmaxf(camera.zoom - ZOOM_RATE * dt, 1.f);
}

void update_dev_mouse(float dt) {
  float z = camera.prevZoom + (camera.zoom - camera.prevZoom) * UPDATES_PER_SECOND * dt;
  if (isMouseOver() && isAppActive) {
    if (camera.mouseCaptured) {
      float mx, my;
      mouse_offset(&mx, &my);
      turn_camera(-MOUSE_SENSITIVITY * mx / z, -MOUSE_SENSITIVITY * my / z);
    }
    recentre_mouse();
  } else {
    camera.mouseCaptured = false;
  }
  shouldHideMouse = camera.mouseCaptured;
}
