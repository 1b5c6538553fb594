#include "tools/world_preview/preview_image.h"
#include <algorithm>
#include <cmath>
#include "terrain/heightmap_data.h"
#include "terrain/surface_color.h"

using namespace HeightmapData;

namespace {

// Light from the north-west and above, as on a relief map.
constexpr float LIGHT_X = -0.6f, LIGHT_Y = 0.6f, LIGHT_Z = -0.53f;
// Fluid shallower than this is left out of the picture.
constexpr float MIN_FLUID_DEPTH = 0.02f;

struct Rgb {
  float r, g, b;
};

Rgb lerp(Rgb a, Rgb b, float t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

Rgb to_rgb(__m128 c) {
  alignas(16) float f[4];
  _mm_store_ps(f, c);
  return {f[0], f[1], f[2]};
}

float alpha_of(__m128 c) { return _mm_cvtss_f32(_mm_shuffle_ps(c, c, _MM_SHUFFLE(3, 3, 3, 3))); }

float height(int x, int z) { return hmap[cell_index(x, z)]; }

// Lambert term of the central-difference normal, with ambient light.
float hill_shade(int x, int z) {
  float gx = (height(x + 1, z) - height(x - 1, z)) * 0.5f;
  float gz = (height(x, z + 1) - height(x, z - 1)) * 0.5f;
  float len = std::sqrt(gx * gx + 1.0f + gz * gz);
  float lambert = (-gx * LIGHT_X + LIGHT_Y - gz * LIGHT_Z) / len;
  return 0.35f + 0.75f * std::max(lambert, 0.0f);
}

Rgb cell_color(int x, int z) {
  const Surface& s = surface[cell_index(x, z)];
  __m128 overlay = unpack_color(s.overlay);
  Rgb ground = lerp(to_rgb(unpack_color(s.color)), to_rgb(overlay), alpha_of(overlay));
  float shade = hill_shade(x, z);
  Rgb c{ground.r * shade, ground.g * shade, ground.b * shade};
  float amount = water_at(cell_index(x, z)).amount;
  if (amount > MIN_FLUID_DEPTH) {
    float t = std::min(0.6f + amount * 0.1f, 0.92f);
    c = lerp(c, Rgb{0.10f, 0.30f, 0.60f}, t);
  } else if (amount < -MIN_FLUID_DEPTH) {
    // Lava glows: no shading, brighter where deep.
    float t = std::min(-amount * 0.5f, 1.0f);
    c = lerp(Rgb{0.70f, 0.12f, 0.02f}, Rgb{1.0f, 0.65f, 0.10f}, t);
  }
  return c;
}

uint8_t to_byte(float v) { return uint8_t(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); }

}  // namespace

std::vector<uint8_t> render_world_preview(int scale) {
  scale = std::max(scale, 1);
  int side = HMAP_SIZE * scale;
  std::vector<uint8_t> rgb(size_t(side) * size_t(side) * 3);
  for (int z = 0; z < HMAP_SIZE; z++)
    for (int x = 0; x < HMAP_SIZE; x++) {
      Rgb c = cell_color(x, z);
      uint8_t px[3] = {to_byte(c.r), to_byte(c.g), to_byte(c.b)};
      for (int dz = 0; dz < scale; dz++)
        for (int dx = 0; dx < scale; dx++) {
          uint8_t* out = &rgb[(size_t(z * scale + dz) * side + size_t(x * scale + dx)) * 3];
          out[0] = px[0], out[1] = px[1], out[2] = px[2];
        }
    }
  return rgb;
}

WorldPreviewStats world_preview_stats() {
  WorldPreviewStats s{hmap[0], hmap[0], 0, 0, 0};
  for (int i = 0; i < HMAP_CELLS; i++) {
    s.min_height = std::min(s.min_height, hmap[i]);
    s.max_height = std::max(s.max_height, hmap[i]);
    float amount = water_at(i).amount;
    if (amount > MIN_FLUID_DEPTH) s.water_cells++;
    if (amount < -MIN_FLUID_DEPTH) s.lava_cells++;
    if (surface[i].ground == GT_HOUSE) s.house_cells++;
  }
  return s;
}
