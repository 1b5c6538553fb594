#pragma once
// The back-buffer-sized scene image: the world generation and the warp
// effect grab frames into it, and the splash shows it.
struct Texture;

extern Texture* scene_image;

bool create_scene_image();
void release_scene_image();
// Draws a texture over the whole back buffer (stretched, no shader).
void draw_texture_over_back_buffer(Texture* tex);
