#pragma once
// What rendering needs from the layers above it, filled by the module host at
// every bind and unbind; an empty hook is skipped.
namespace HeightmapData {
struct Surface;
}

struct RenderHooks {
  // Draws the building standing on the land cell (x, z), if any.
  void (*draw_building)(HeightmapData::Surface* surface, int x, int z) = nullptr;
};

extern RenderHooks render_hooks;
