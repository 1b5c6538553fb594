#pragma once
// The terrain renderer's GPU passes: per-cell values written into the cell
// textures as point lists, normals and sky visibility computed from the
// heights, blended between the last two updates every frame; and the world
// map image drawn from the cell textures.

// Creates hmapTex, colrTex, topcTex, normTex (and aperTex at high quality)
// with the previous and current normal and shadowing textures.
bool create_land_textures(bool high);
void close_land_textures();
// shadow_quality 0..2 picks the sky-visibility variant.
void create_land_texture_shaders(bool high, int shadow_quality);
// Writes the grids into the cell textures and computes new normals (and
// shadowing): the current ones become the previous ones.
void refresh_land_textures(bool high);
// The frame's normals (and shadowing): previous + (current - previous) * f.
void blend_land_textures(bool high, float f);

// Vertex register of the point passes mapping cell (x, z) to clip space.
constexpr float CELL_TO_CLIP[4] = {1.f / 128.f, -1.f / 128.f, -1.f, 1.f};
// Draws one point per cell of the whole map into target with the points
// shader; value(cell) gives the point's 32 bits.
void draw_cell_points(struct Texture* target, struct Shader* sh, unsigned (*value)(int cell));

// The normals and shadowing of the last refresh.
struct Texture* current_land_normals();
struct Texture* current_land_shadowing();

void init_world_map(bool high);
void close_world_map();
// Redraws mapTex: ground colours, water, then the light of the land.
void refresh_world_map(bool high);
