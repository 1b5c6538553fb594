#pragma once
// The terrain renderer: turns the heightmap grids into the frame's land,
// water, lava and horizon meshes, keeps the per-cell textures (heights,
// colours, normals, shadowing) on the GPU and draws the world map.
//
// Pipeline: every update update_land_render takes the fluid surfaces and the
// flow field from the grids; every frame prepare_land_render refreshes the
// cell textures when they are dirty, blends between the last two updates and
// builds the meshes around the camera; the draw_ functions then draw them
// with the view, projection and scene constants already set.
//
// The camera is the one of the view matrix set on the device (set_view_tm):
// set it before prepare_land_render.
#include <cstdint>
#include "terrain/heightmap_data.h"

struct Texture;

namespace HeightmapRenderer {
using HeightmapData::HMAP_CELLS;
using HeightmapData::HMAP_SIZE;

// Exported cell textures (render targets).
extern Texture* hmapTex;  // 256 x 256 R32F: ground + |fluid amount|
extern Texture* colrTex;  // 256 x 256 ARGB: Surface::color
extern Texture* topcTex;  // 256 x 256 ARGB: Surface::overlay
extern Texture* grndTex;  // 256 x 256 ARGB: Surface::color under Surface::overlay
extern Texture* normTex;  // 1024 x 1024 ARGB: the frame's normals
extern Texture* aperTex;  // 256 x 256 ARGB: the frame's sky visibility (high quality)
extern Texture* mapTex;   // 512 x 512 ARGB: the world map image

// Ground heights of the frame (the morph of hmap towards target_hmap).
extern float curh[HMAP_CELLS];
}  // namespace HeightmapRenderer

// House tile kinds the game-object module draws for cells of ground type 0:
// the template letter and how many 3-bit variants the templates use.
struct HouseTileInfo {
  char letter;
  int variants;
};
extern HouseTileInfo house_tile_info[];
extern int num_house_tiles;

// Set by update_land_render and request_land_refresh; the next
// prepare_land_render refreshes the cell textures and the world map.
extern bool land_dirty;

void init_land_render();
void close_land_render();
void update_land_render(float dt);
// t: seconds since the last update.
void prepare_land_render(float t);
void draw_land();
void draw_water(float k);
void draw_lava(float k);
void draw_horizon();
void request_land_refresh();
// A new world stands in the grids: the fluid surfaces, normals and shadowing
// start again from it instead of blending from the world before.
void restart_land_render();
