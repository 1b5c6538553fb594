// Paints the two effect atlases procedurally. Every sprite is drawn white or
// grey so that the particle colour tints it; shapes come from radial profiles
// and tileable value noise.
#include "tools/fx_atlas/fx_painter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "effects/fx_atlas.h"

namespace {

constexpr float PI = 3.14159265f;

float clamp01(float x) { return std::min(1.f, std::max(0.f, x)); }
float smooth(float e0, float e1, float x) {
  float t = clamp01((x - e0) / (e1 - e0));
  return t * t * (3.f - 2.f * t);
}

uint32_t hash2(int x, int y, int seed) {
  uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + uint32_t(seed) * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return h ^ (h >> 16);
}

// Value noise on a lattice of `period` cells, tileable over that period.
float value_noise(float x, float y, int period, int seed) {
  int x0 = int(std::floor(x)), y0 = int(std::floor(y));
  float fx = x - float(x0), fy = y - float(y0);
  auto at = [&](int ix, int iy) {
    ix = ((ix % period) + period) % period;
    iy = ((iy % period) + period) % period;
    return float(hash2(ix, iy, seed) & 0xffff) / 65535.f;
  };
  float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  float a = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
  float b = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
  return a + (b - a) * sy;
}

// Fractal sum in 0..1, tileable over `period` at the base frequency.
float fbm(float x, float y, int period, int seed, int octaves = 4) {
  float sum = 0, weight = 0.5f, norm = 0;
  for (int o = 0; o < octaves; o++) {
    sum += weight * value_noise(x, y, period, seed + o * 17);
    norm += weight;
    x *= 2;
    y *= 2;
    period *= 2;
    weight *= 0.5f;
  }
  return sum / norm;
}

struct Rgba {
  float r, g, b, a;
};

class Canvas {
 public:
  explicit Canvas(std::vector<uint32_t>& px) : px_(px) { px_.assign(FX_ATLAS_WIDTH * FX_ATLAS_HEIGHT, 0); }
  void put(int x, int y, Rgba c) {
    auto b = [](float v) { return uint32_t(clamp01(v) * 255.f + 0.5f); };
    px_[y * FX_ATLAS_WIDTH + x] = (b(c.a) << 24) | (b(c.r) << 16) | (b(c.g) << 8) | b(c.b);
  }
  // Calls f(dx, dy) with dx, dy in -1..1 over a sprite's cell.
  template <typename F>
  void sprite(const FxSprite& s, F f) {
    int n = int(s.size);
    for (int y = 0; y < n; y++)
      for (int x = 0; x < n; x++) {
        float dx = (x + 0.5f) / n * 2.f - 1.f, dy = (y + 0.5f) / n * 2.f - 1.f;
        put(int(s.u) + x, int(s.v) + y, f(dx, dy));
      }
  }
  // Calls f(u, v) with u, v in 0..1 over a full-width strip.
  template <typename F>
  void strip(int y0, int height, F f) {
    for (int y = 0; y < height; y++)
      for (int x = 0; x < FX_ATLAS_WIDTH; x++)
        put(x, y0 + y, f((x + 0.5f) / FX_ATLAS_WIDTH, (y + 0.5f) / height));
  }

 private:
  std::vector<uint32_t>& px_;
};

// Light as it is added: grey level and alpha follow the intensity, so the
// same sprite works with additive blending and with the FP accumulation.
Rgba light(float i) { return {i, i, i, i}; }

float glow_profile(float r) { return clamp01(std::exp(-r * r * 3.5f) - 0.03f * r); }

void paint_glow_sprites(Canvas& c) {
  c.sprite(FX_TRAIL_HEAD, [](float x, float y) { return light(glow_profile(std::hypot(x, y)) * 1.1f); });
  c.sprite(FX_GLOW, [](float x, float y) {
    float r = std::hypot(x, y);
    return light(clamp01(glow_profile(r) * 0.8f + std::exp(-r * r * 40.f) * 0.4f) * smooth(1.f, 0.85f, r));
  });
  c.sprite(FX_SPARK, [](float x, float y) {
    // A streak along x; the particle's roll aims it along its flight.
    float along = smooth(1.f, 0.2f, std::fabs(x));
    return light(along * std::exp(-y * y * 120.f) + std::exp(-(x * x + y * y) * 30.f) * 0.5f);
  });
  c.sprite(FX_STAR, [](float x, float y) {
    float r = std::hypot(x, y);
    float rays = std::exp(-std::fabs(x * y) * 60.f) * smooth(1.f, 0.f, r);
    return light(clamp01(rays + std::exp(-r * r * 25.f)));
  });
  c.sprite(FX_RING, [](float x, float y) {
    float r = std::hypot(x, y);
    return light(std::exp(-(r - 0.72f) * (r - 0.72f) * 120.f) * smooth(1.f, 0.9f, r));
  });
  auto flame = [](int seed) {
    return [seed](float x, float y) {
      // A tongue of fire: a round, dense foot at the bottom narrowing to a
      // flickering tip, swaying a little with the noise.
      float t = (1.f - y) * 0.5f;  // 0 bottom .. 1 top
      float n = fbm((x + 1.f) * 1.5f, (y + 1.f) * 1.5f, 3, seed, 3);
      float sway = (n - 0.5f) * 0.5f * t;
      float width = 0.7f * std::sqrt(clamp01(1.f - t)) * std::sqrt(clamp01((t + 0.02f) / 0.3f));
      float body = smooth(width, width * 0.2f, std::fabs(x - sway));
      float heat = std::pow(clamp01(1.f - t), 0.6f) * (0.75f + 0.5f * n);
      return light(clamp01(body * heat));
    };
  };
  c.sprite(FX_FLAME, flame(11));
  c.sprite(FX_FLAME2, flame(23));
  c.sprite(FX_EMBER, [](float x, float y) {
    float r = std::hypot(x, y);
    return light(clamp01(std::exp(-r * r * 60.f) + std::exp(-r * r * 8.f) * 0.25f));
  });
}

// Smoke: grey shaded from above (lighter top), alpha from a noisy ball.
Rgba puff(float x, float y, int seed, float soft, float density) {
  float r = std::hypot(x, y);
  float n = fbm((x + 1.f) * 1.5f, (y + 1.f) * 1.5f, 3, seed, 3);
  float edge = 0.95f - (n - 0.5f) * 0.5f;
  float a = smooth(edge, edge * soft, r) * (0.7f + 0.45f * n) * density;
  float shade = clamp01(0.75f - y * 0.25f + (n - 0.5f) * 0.3f);
  return {shade, shade, shade, clamp01(a)};
}

void paint_blend_sprites(Canvas& c) {
  c.sprite(FX_TRAIL_HEAD, [](float x, float y) {
    float a = glow_profile(std::hypot(x, y));
    return Rgba{1, 1, 1, a};
  });
  c.sprite(FX_GLOW, [](float x, float y) { return Rgba{1, 1, 1, glow_profile(std::hypot(x, y))}; });
  c.sprite(FX_SPARK, [](float x, float y) {
    return Rgba{1, 1, 1, smooth(1.f, 0.2f, std::fabs(x)) * std::exp(-y * y * 120.f)};
  });
  c.sprite(FX_STAR, [](float x, float y) {
    float r = std::hypot(x, y);
    return Rgba{1, 1, 1, clamp01(std::exp(-std::fabs(x * y) * 60.f) * smooth(1.f, 0.f, r) + std::exp(-r * r * 25.f))};
  });
  c.sprite(FX_RING, [](float x, float y) {
    float r = std::hypot(x, y);
    return Rgba{1, 1, 1, std::exp(-(r - 0.72f) * (r - 0.72f) * 120.f) * smooth(1.f, 0.9f, r)};
  });
  c.sprite(FX_FLAME, [](float x, float y) { return puff(x, y, 101, 0.3f, 0.8f); });
  c.sprite(FX_FLAME2, [](float x, float y) { return puff(x, y, 131, 0.3f, 0.8f); });
  c.sprite(FX_EMBER, [](float x, float y) { return Rgba{1, 1, 1, std::exp(-(x * x + y * y) * 30.f)}; });
  c.sprite(FX_SMOKE, [](float x, float y) { return puff(x, y, 1, 0.2f, 1.f); });
  c.sprite(FX_SMOKE2, [](float x, float y) { return puff(x, y, 2, 0.3f, 1.f); });
  c.sprite(FX_SMOKE3, [](float x, float y) { return puff(x, y, 3, 0.1f, 0.9f); });
  c.sprite(FX_SMOKE4, [](float x, float y) { return puff(x, y, 4, 0.4f, 1.f); });
  c.sprite(FX_STEAM, [](float x, float y) {
    Rgba p = puff(x, y, 5, 0.0f, 0.6f);
    return Rgba{0.95f, 0.97f, 1.f, p.a};
  });
  c.sprite(FX_DUST, [](float x, float y) {
    float r = std::hypot(x, y);
    float grain = float(hash2(int((x + 1) * 32), int((y + 1) * 32), 9) & 255) / 255.f;
    return Rgba{0.8f, 0.75f, 0.65f, smooth(1.f, 0.2f, r) * (0.3f + 0.5f * grain)};
  });
  c.sprite(FX_DROPLET, [](float x, float y) {
    float r = std::hypot(x, y);
    float body = smooth(0.75f, 0.65f, r);
    float highlight = std::exp(-((x + 0.3f) * (x + 0.3f) + (y + 0.3f) * (y + 0.3f)) * 30.f);
    float s = clamp01(0.7f + highlight * 0.5f - y * 0.15f);
    return Rgba{s, s, s, clamp01(body * 0.85f)};
  });
  c.sprite(FX_DEBRIS, [](float x, float y) {
    // A chipped rock: an irregular polygon by angle, lit from the top left.
    float a = std::atan2(y, x);
    float rim = 0.6f + 0.25f * fbm((a + PI) / (2 * PI) * 6.f, 0.5f, 6, 77, 2);
    float r = std::hypot(x, y);
    float s = clamp01(0.55f - (x + y) * 0.25f);
    return Rgba{s, s * 0.95f, s * 0.9f, smooth(rim, rim - 0.05f, r)};
  });
}

// Trail ribbon: bright along its middle, fading towards the tail (u = 1).
Rgba trail_texel(float u, float v, bool glow) {
  float across = std::exp(-(v - 0.5f) * (v - 0.5f) * 28.f);
  float streak = 0.8f + 0.2f * value_noise(u * 32.f, v * 4.f, 32, 5);
  float fade = std::pow(1.f - u, 1.3f);
  float i = clamp01(across * streak * fade * 1.1f);
  return glow ? light(i) : Rgba{1, 1, 1, i};
}

// Bolt strip: a white-hot core in a blue-white halo, flickering along u and
// tileable so the bolt's texture coordinate can run on.
Rgba bolt_texel(float u, float v, bool glow) {
  float wobble = (value_noise(u * 16.f, 0.5f, 16, 31) - 0.5f) * 0.12f;
  float d = std::fabs(v - 0.5f - wobble);
  float core = std::exp(-d * d * 900.f);
  float halo = std::exp(-d * d * 40.f) * (0.35f + 0.25f * value_noise(u * 64.f, 0.f, 64, 41));
  float i = clamp01(core + halo);
  return glow ? light(i) : Rgba{1, 1, 1, i};
}

}  // namespace

void paint_fx_atlas(bool glow, std::vector<uint32_t>& pixels) {
  Canvas c(pixels);
  c.strip(0, FX_CELL, [glow](float u, float v) { return trail_texel(u, v, glow); });
  c.strip(3 * FX_CELL, FX_CELL, [glow](float u, float v) { return bolt_texel(u, v, glow); });
  if (glow)
    paint_glow_sprites(c);
  else
    paint_blend_sprites(c);
}
