#pragma once
// The screen-sized images the scene passes draw into besides scene_image.
//
// G-buffer layout of the deferred pipeline (quality 1). The geometry pass
// clears all three to 0x00FFFFFF and the "dr_" shaders write (the include
// "gbuffer.inc" has the packing functions):
//   G0  rgb: surface colour; a: glow, 0 = lit by sun and sky, 1 = shown as
//       it is (lava), in between mixes the two
//   G1  rg: normal (octahedral packing); b, a: view depth / 512 as 16 bits,
//       b the high byte
//   G2  r: sky visibility (ambient occlusion); g: sun visibility (land
//       shadow); b: specular strength; a: specular sharpness
//   G3  a copy of G0 while lava draws (lava is drawn over ground it can
//       read), then the lit colour
// The quarter-resolution images: L0 object shadows (1 = lit, in red), L1 the
// blur's scratch, L2 and L3 the downsampled G0 and G1.
// The post-process anti-aliasing uses G0..G3 as its work images and swaps
// its result with scene_image, so the roles of the five textures rotate.
struct Texture;

constexpr int GBUFFER_COUNT = 4;
constexpr int LOW_RES_COUNT = 4;

extern Texture* gbuffer[GBUFFER_COUNT];
extern Texture* low_res_textures[LOW_RES_COUNT];  // null at quality 0
extern Texture* fp_blend_texture;  // null unless the device blends A16B16G16R16F targets

// G0..G3 and the FP-blending image; stops the program when one can't be made.
void create_postfx_textures();
void release_postfx_textures();
// L0..L3 at the scene's size / 4; made again after every resize.
void create_low_res_textures();
void release_low_res_textures();

// Draws the scene at percent of the window's size from the next frame on
// (clamped to SCENE_SCALE_MIN..100): the scene's images are made again at
// the new size through the device's reset.
void set_scene_render_scale(int percent);
