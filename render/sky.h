#pragma once
// The sky: a palette of light, sky and fog colours that the sky script
// ("sky.nut") gives as a function of the sun's angle from the zenith, the sun
// direction, and the screen-filling sky drawn behind everything.
//
// Entries 0..9 come from the script; 10 and 11 exist only in the frame copy
// and are derived from it: e0 + e1 * exp(-e2 / 0.2) and e0 + e1 * exp(-e2)
// (the light left under 5 and under 1 unit of water). The meaning of each
// entry is written in "sky.nut".
#include <xmmintrin.h>

constexpr int SKY_SCRIPT_ENTRIES = 10;
constexpr int SKY_PALETTE_SIZE = 12;

struct SkyPalette {
  float entry[SKY_PALETTE_SIZE][4];
};

// Palette used while the script gives none (or a broken one).
extern const SkyPalette default_sky_palette;

void init_sky();
void close_sky();
// Once per update: the current palette and sun direction become the previous.
void update_sky();
// Makes dir (normalised) the current sun direction and recomputes the current
// palette; immediate also makes both the previous and the frame's state.
void set_sun_dir(__m128 dir, bool immediate);
// Once per frame: the frame's palette and sun direction, blended between the
// previous and the current ones by the update fraction k (0..1).
void blend_sky(float k);
// The sky quad over the whole target, behind everything (no depth test).
void draw_sky();

const SkyPalette& get_frame_sky_palette();
const SkyPalette& get_current_sky_palette();
__m128 get_frame_sun_dir();
__m128 get_current_sun_dir();
// The frame's sun direction with w = cos(20 degrees), as the shaders take it.
__m128 get_sun_constant();
// The palette of a sun direction: the script's answer, or the defaults when
// the script has no "get_sky_colors" (said when the script is run) or it
// fails (the error is shown).
void compute_sky_palette(__m128 sun_dir, SkyPalette& out);
// Fills entries 10 and 11 from entries 0..2.
void derive_sky_entries(SkyPalette& p);
