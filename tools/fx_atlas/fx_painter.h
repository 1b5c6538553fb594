#pragma once
// The effect atlases, painted as 512 x 256 pixels 0xAARRGGBB, top row first.
#include <cstdint>
#include <vector>

// glow: the additive atlas ("glowfx.dds"); else the blended one ("blendfx.dds").
void paint_fx_atlas(bool glow, std::vector<uint32_t>& pixels);
