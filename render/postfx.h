#pragma once
// From scene_image to the back buffer: optional post-process anti-aliasing,
// then the post-effect pass (tone, bloom, vignette, frame tint) or a plain
// copy.
#include <xmmintrin.h>

// The frame's post-effect parameters: x bloom strength, y vignette
// strength, z exposure, w saturation. The defaults are the game's look.
extern __m128 postfx_params;
// The frame tint (r, g, b, strength) that the game mode blends between
// updates; strength 0 leaves the frame as it is.
extern __m128 postfx_frame_tint;

// The work images and shaders; stops the program when a texture can't be made.
void init_postfx();
void close_postfx();

// Morphological anti-aliasing of scene_image; its result becomes scene_image.
void apply_mlaa();
void compose_frame();
