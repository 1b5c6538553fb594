#pragma once
// The frame's view as every scene shader sees it. The game mode sets the
// frame's camera on the device (set_view_tm with the world-to-camera matrix,
// set_proj_tm) before render_scene, which publishes it here and loads the
// view constants.
// The registers the scene's shaders share are named in the shader
// constants header, which the shaders include too.
#include <xmmintrin.h>
#include "data/shader_constants.h"
#include "render/render_types.h"

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
// Loads VS_GLOB_TM, VS_VIEW_TM, VS_CAMERA_POS and VS_SCREEN_SIZE from the
// published view.
void load_view_constants();
