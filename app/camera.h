#pragma once
// The one camera all game modes share: position and orientation, the
// movement state of the flying controls, and the frame tint. Position, roll
// and zoom change at the update rate and are interpolated per frame; yaw and
// pitch change at frame rate (mouse look).
#include <xmmintrin.h>
#include "render/render_types.h"
#include "render/scene_view.h"  // cur_view_itm: camera-to-world of the last update

constexpr float UPDATES_PER_SECOND = 20.f;
constexpr float WORLD_PERIOD = 256.f;

constexpr float DEV_MOVE_SPEED = 5.55f;
constexpr float DEV_TURBO_FACTOR = 6.f;
constexpr float MOUSE_SENSITIVITY = 0.002f;  // radians per pixel
constexpr float ZOOM_LIMIT = 8.f;
constexpr float ZOOM_RATE = 20.f;            // per second
constexpr float PLAY_MOVE_SPEED = 8.f;
constexpr float PLAY_TURBO_FACTOR = 2.f;     // also the dash factor
constexpr float DOUBLE_TAP_WINDOW = 0.2f;    // seconds
constexpr float PLAY_ROLL_FACTOR = 0.2f;
constexpr float ROLL_DECAY = 4.f;            // per second
constexpr float CAMERA_FOV = 1.2915436464758039f;  // vertical, at zoom 1
constexpr float CAMERA_NEAR = 0.1f, CAMERA_FAR = 512.f;

struct Camera {
  __m128 pos, prevPos;  // at this and at the last update, w = 1
  float yaw, pitch;     // yaw within (-2pi, 2pi), pitch within [-pi/2, pi/2]
  float roll, prevRoll;
  float zoom, prevZoom;  // field-of-view divisor, 1..8
  float forwardTap, backTap;  // time left for a second press to count as a double tap
  int dash;                   // -1 backward, 0 none, +1 forward
  float hspeed, prevHspeed;   // length of the last play step in the x-z plane
  bool mouseCaptured;         // the last frame re-centred the mouse
  __m128 prevFrameColor;
};
extern Camera camera;

// Exported to the game-object module.
extern __m128 cur_frame_color;  // tint (r, g, b, alpha) whose alpha fades by itself

// The camera jumps to p: the next frames do not interpolate from the old place.
void set_camera_pos(__m128 p);
// Clears the movement state (zoom, taps, dash, speeds) and the player's.
void reset_fly_control();
// Faces the view along yaw (0 looks along +z) with the pitch, without roll.
void set_view_heading(float yaw, float pitch);

// Camera-to-world matrix t seconds after the last update (t = one step gives
// the current state). The position difference is wrapped, so crossing the
// world's edge never sweeps the camera across the whole world.
Matrix44 get_camera_matrix(float t);
// First step of an update: the current state becomes the previous one, and
// the frame tint fades.
void begin_camera_update(float dt);
// Vertical field of view at the zoom interpolated t seconds after the update.
float get_camera_fov(float t);

// Yaw kept within (-2pi, 2pi); pitch clamped to [-pi/2, pi/2].
void turn_camera(float dyaw, float dpitch);

// Row r of a matrix as a vector.
inline __m128 matrix_row(const Matrix44& m, int r) { return _mm_loadu_ps(m.m[r]); }
