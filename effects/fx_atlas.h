#pragma once
// Where each effect sprite sits in the two 512 x 256 effect atlases
// ("blendfx.dds" for smoke-like particles, "glowfx.dds" for additive light).
// Both share this layout; the atlas tool draws it and gameplay spawns
// particles by these names. Positions and sizes are atlas pixels, as
// add_blend_particle and add_glow_particle take them.

struct FxSprite {
  float u, v, size;
};

constexpr int FX_ATLAS_WIDTH = 512;
constexpr int FX_ATLAS_HEIGHT = 256;
constexpr int FX_CELL = 64;

// Strips the trail and bolt renderer reads directly: the trail ribbon fills
// v 0..0.25, the trail's head cap u 0..0.125 x v 0.25..0.5, bolts v 0.75..1.
constexpr FxSprite FX_TRAIL_HEAD{0, 64, 64};

// Glowing sprites (row two).
constexpr FxSprite FX_GLOW{64, 64, 64};
constexpr FxSprite FX_SPARK{128, 64, 64};
constexpr FxSprite FX_STAR{192, 64, 64};
constexpr FxSprite FX_RING{256, 64, 64};
constexpr FxSprite FX_FLAME{320, 64, 64};
constexpr FxSprite FX_FLAME2{384, 64, 64};
constexpr FxSprite FX_EMBER{448, 64, 64};

// Smoke-like sprites (row three).
constexpr FxSprite FX_SMOKE{0, 128, 64};
constexpr FxSprite FX_SMOKE2{64, 128, 64};
constexpr FxSprite FX_SMOKE3{128, 128, 64};
constexpr FxSprite FX_SMOKE4{192, 128, 64};
constexpr FxSprite FX_STEAM{256, 128, 64};
constexpr FxSprite FX_DUST{320, 128, 64};
constexpr FxSprite FX_DROPLET{384, 128, 64};
constexpr FxSprite FX_DEBRIS{448, 128, 64};
