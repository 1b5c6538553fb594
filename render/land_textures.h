#pragma once
// The terrain renderer's GPU passes: per-cell values written into the cell
// textures as point lists, normals and sky visibility computed from the
// heights, blended between the last two updates every frame; and the world
// map image drawn from the cell textures.

// Creates hmapTex, colrTex, topcTex, grndTex, normTex (and aperTex at high quality)
// with the previous and current normal and shadowing textures.
bool create_land_textures(bool high);
void close_land_textures();
// shadow_quality 0..2 picks the sky-visibility variant.
void create_land_texture_shaders(bool high, int shadow_quality);
// Writes the grids into the cell textures and computes new normals (and
// shadowing) where the heights moved: the current ones become the previous
// ones; the tiles nearest the camera's cell go first. True when the
// ground's look changed (heights or colours).
// whole: every moved tile at once, not a few an update.
bool refresh_land_textures(bool high, bool whole, int cam_x, int cam_z);
// Tiles (16 x 16 cells) whose normals the last refresh recomputed (256: all).
int land_tiles_last_refreshed();
// The next refresh gives both the previous and the current normals (and
// shadowing): a new world blends from nothing of the old one.
void restart_land_texture_history();
// The frame's normals (and shadowing) are blended where the terrain shaders
// read them: the current ones at the given stages, the previous ones at
// these, and the fraction f of the update step in PS_LAND_BLEND.
constexpr int PREV_NORMAL_STAGE = 6;
constexpr int PREV_SHADOW_STAGE = 7;
// shadow_stage < 0: no shadowing (low quality).
void bind_land_blend(int normal_stage, int shadow_stage, float f);

// Vertex register mapping cell (x, z) to clip space, for meshes drawn into
// cell-sized targets.
constexpr float CELL_TO_CLIP[4] = {1.f / 128.f, -1.f / 128.f, -1.f, 1.f};

// The normals and shadowing of the last refresh.
struct Texture* current_land_normals();
struct Texture* previous_land_normals();
struct Texture* current_land_shadowing();

void init_world_map(bool high);
void close_world_map();
// Redraws mapTex: ground colours, water, then the light of the land.
void refresh_world_map(bool high);
