#pragma once
// The game's scene shaders and sky script, copied from the source tree into
// the render tests' folder, and a stand-in land: a flat green plane at
// height 0 drawn with the scene's forward or deferred shading.
#include <string>

void copy_scene_data_files();
void init_test_land();
void close_test_land();
// The scene pass: forward or G-buffer shader by gfx_quality.
void draw_test_land();
// Up to two triangles in one grey from clip-space corners (x, y, z).
void draw_flat_triangles(const float* xyz, int count, float grey);
