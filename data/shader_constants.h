// The constant registers: vs_c[NAME] in the vertex stage and ps_c[NAME] in
// the pixel stage of a shader, set_vs_const(NAME, ...) / set_ps_const(NAME,
// ...) in C++. Both languages read this file, so it holds nothing but
// #define lines and comments. A register's meaning belongs to the passes
// that set it; passes that never draw together reuse the same numbers.
#ifndef SHADER_CONSTANTS_H
#define SHADER_CONSTANTS_H

// The scene's view and light, for every scene shader (scene_common.inc).
#define VS_GLOB_TM 0       // 0..3 view x projection, one column each: clip = dot(p, c0..c3)
#define VS_VIEW_TM 4       // 4..7 world to camera, one column each
#define VS_FOG 8           // x: 1 when fog is on
#define VS_VIEW_DEPTH 9    // third column of world to camera / far distance: depth 0..1
#define VS_CAMERA_POS 10   // camera position, w = 1
#define VS_SCREEN_SIZE 11  // back-buffer width, height, 1 / width, 1 / height
#define VS_SUN_DIR 30      // towards the sun, w = cos(20 degrees)
#define VS_SKY_PALETTE 31  // the frame's sky palette, SKY_PALETTE_SIZE registers
#define PS_SUN_DIR 0
#define PS_SKY_PALETTE 1  // 1..12
#define PS_CAMERA_POS 16
#define PS_FOG 17  // x: 1 when fog is on

// Drawing in back-buffer pixels (GUI, fonts, icons).
#define VS_PIXEL_TO_CLIP 0  // (2 / width, -2 / height, -1, 1)
#define VS_FONT_TEXEL 1     // xy: 1 / the font image's size

// Full-screen passes.
#define VS_QUAD_MAPPING 16  // clip to texture coordinates; the quad in postfx_quad.inc needs none
#define PS_TEXEL_SIZE 0     // 1 / width, 1 / height, width, height of the image read
#define PS_POSTFX_PARAMS 1  // the post-effects' parameters
#define PS_POSTFX_TINT 2    // rgb: colour the frame is tinted towards, a: how far
#define PS_WARP_TIME 1      // this frame's step in seconds, seconds since the warp began
#define VS_MLAA_STEP 17     // one texel along the runs, and the step a in texels
#define PS_MLAA_STEP 0      // x: the step a / 255

// Passes over a rectangle of a cell texture (texture_pass.inc) and the map.
#define VS_QUAD_RECT 16         // scale and offset of the quad in clip space
#define VS_QUAD_TO_UV 17        // clip space to texture coordinates
#define VS_MAP_CELL_TO_CLIP 16  // map cells to clip space

// Deferred lighting and its shadows.
#define VS_SHADOW_TILE 15      // size and origin of a shadow tile in clip space
#define VS_SHADOW_CAMERA 16    // camera position, for the shadow rays
#define VS_FRUSTUM_RIGHT 17    // 17..19 the frustum's right, up and forward edges at the far distance:
#define VS_FRUSTUM_UP 18       // (x * right + y * up + forward) * depth is a pixel's offset
#define VS_FRUSTUM_FORWARD 19  // from the camera
#define PS_BLUR_STEP 18        // one and two texel steps of the shadow blur (xy, zw)

// The land and its fluids (land_common.inc, flow_surface.inc).
#define VS_LAND_TEX_SCALES 16  // (1/256, 1/256, 1/512, 1/2048)
#define VS_LAND_ORIGIN 21      // xz: origin of the frame's meshes, w: the land's clock
#define PS_FLOW_PHASE 12       // x: cross-fade between the flow's two phases
#define PS_FLOW_SCREEN 13      // clip to screen texture coordinates
#define PS_LAND_BLEND 14       // x: how far the frame has come from the previous normals

#endif
