#pragma once
// The frame's view as every scene shader sees it. The game mode sets the
// frame's camera on the device (set_view_tm with the world-to-camera matrix,
// set_proj_tm) before render_scene, which publishes it here and loads the
// view constants.
//
// Shader constant registers shared by the scene's shaders (the include
// "scene_common.inc" names them for GLSL):
//   vertex 0..3    view x projection, one column per register: clip = dot(p, c0..c3)
//   vertex 4..7    world-to-camera, one column per register
//   vertex 8       x: 1 when fog is on
//   vertex 9       (deferred) third column of world-to-camera / far distance: dot(p, c9) = depth 0..1
//   vertex 10      camera position (w = 1)
//   vertex 11      (back-buffer width, height, 1 / width, 1 / height)
//   vertex 30      sun direction (towards the sun), w = cos(20 degrees)
//   vertex 31..42  the sky palette of the frame
//   pixel 0        sun direction, w = cos(20 degrees)
//   pixel 1..12    the sky palette of the frame
//   pixel 16       camera position
//   pixel 17       x: 1 when fog is on
#include <xmmintrin.h>
#include "render/render_types.h"

constexpr int VS_GLOB_TM = 0;
constexpr int VS_VIEW_TM = 4;
constexpr int VS_FOG = 8;
constexpr int VS_VIEW_DEPTH = 9;
constexpr int VS_CAMERA_POS = 10;
constexpr int VS_SCREEN_SIZE = 11;
constexpr int VS_SUN_DIR = 30;
constexpr int VS_SKY_PALETTE = 31;
constexpr int PS_SUN_DIR = 0;
constexpr int PS_SKY_PALETTE = 1;
constexpr int PS_CAMERA_POS = 16;
constexpr int PS_FOG = 17;

// The far distance of the scene camera: view depth is stored divided by it.
constexpr float SCENE_FAR_DIST = 512.f;

extern Matrix44 cur_view_tm;   // world to camera
extern Matrix44 cur_view_itm;  // camera to world: rows right, up, forward, position
extern Matrix44 cur_glob_tm;   // world to clip (view x projection)
extern Matrix44 cur_proj_tm;
// Per unit of radius, how far a sphere reaches in each clip coordinate: the
// length of the x, y, z part of each column of cur_glob_tm.
extern __m128 cur_glob_rk;

// Inverse of a rotation-and-translation matrix (camera to world and back).
Matrix44 rigid_inverse(const Matrix44& m);
// Takes the device's view and projection as the frame's view.
void publish_scene_view();
// Loads vertex registers 0..7, 10 and 11 from the published view.
void load_view_constants();
