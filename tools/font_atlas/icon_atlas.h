#pragma once
// The game's icons, drawn procedurally as distance fields so they stay
// sharp at any size: up to four layers per icon in the atlas's red, green,
// blue and alpha channels, coloured separately when drawn.
#include <string>
#include <vector>
#include "tools/font_atlas/sdf_shapes.h"

constexpr int ICON_SOURCE_SIZE = 64;  // icon units of the shapes
constexpr int ICON_SPREAD = 8;

struct IconLayers {
  float d[4];  // signed distance of each layer, icon units; 1e9 = unused
};
typedef IconLayers (*IconShape)(Vec2 p);

struct IconDef {
  const char* name;
  IconShape shape;
};

const std::vector<IconDef>& game_icons();

// Writes <out_dir><atlasName>.icons and <out_dir><atlasName>.dds.
bool write_icon_atlas(const char* atlas_name, const std::string& out_dir);
