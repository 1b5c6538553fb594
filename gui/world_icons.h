#pragma once
// The universe screen: its view behaviour and the world icons, drawn as
// shaded discs with an outline and an optional halo ("worldIcon.sh").
#include "render/render_types.h"

class RenderBatch;

// Registers "uni_viewer" and makes the world icons' render state.
void init_universe_ui();
void close_universe_ui();
// One icon of radius `size` pixels centred on (x, y): a disc in the first
// colour outlined in the second, with a halo in the third unless it is 0.
void render_world_icon(RenderBatch& batch, float x, float y, float size, D3dColor first, D3dColor second,
                       D3dColor third);

// One corner: u, v = ±h/size, the first colour's alpha = 765/size (the
// shader's edge width).
struct WorldIconVertex {
  float x, y;
  float u, v;
  D3dColor second;
  D3dColor first;
  D3dColor third;
};
static_assert(sizeof(WorldIconVertex) == 28, "world icon vertices are 28 bytes");
