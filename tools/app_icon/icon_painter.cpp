#include "tools/app_icon/icon_painter.h"
#include <algorithm>
#include <cmath>

namespace {

struct Color {
  float r, g, b;
};

Color mix(Color a, Color b, float t) {
  t = std::clamp(t, 0.f, 1.f);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

constexpr float BADGE_RADIUS = 0.47f;
constexpr float RIM_WIDTH = 0.035f;
constexpr float BASE_Y = 0.80f;    // where the volcano's flanks meet the plain
constexpr float CRATER_Y = 0.36f;  // the crater rim's height
constexpr float CRATER_HALF = 0.09f;

// The volcano's outline: straight flanks from the crater rim to the plain,
// slightly concave like a real cone.
float flank_x(float y, float side) {
  float t = (y - CRATER_Y) / (BASE_Y - CRATER_Y);  // 0 at the rim, 1 at the base
  float spread = CRATER_HALF + 0.36f * std::pow(t, 1.25f);
  return 0.5f + side * spread;
}

bool inside_volcano(float x, float y) {
  if (y < CRATER_Y || y > BASE_Y + 0.2f) return false;
  float yy = std::min(y, BASE_Y);
  return x > flank_x(yy, -1.f) && x < flank_x(yy, 1.f);
}

// The lava stream: from the crater down the right flank in a gentle S.
float lava_distance(float x, float y) {
  if (y < CRATER_Y - 0.01f || y > BASE_Y + 0.02f) return 1.f;
  float t = (y - CRATER_Y) / (BASE_Y - CRATER_Y);
  float centre = 0.5f + 0.12f * t + 0.035f * std::sin(t * 6.2f);
  float half_width = 0.025f + 0.02f * t;
  return std::fabs(x - centre) - half_width;
}

// One sample of the picture: colour and coverage.
void sample(float x, float y, Color* out, float* alpha) {
  float dx = x - 0.5f, dy = y - 0.5f;
  float r = std::sqrt(dx * dx + dy * dy);
  if (r > BADGE_RADIUS) {
    *alpha = 0.f;
    return;
  }
  *alpha = 1.f;
  if (r > BADGE_RADIUS - RIM_WIDTH) {
    *out = mix(Color{0.95f, 0.55f, 0.15f}, Color{0.55f, 0.18f, 0.05f}, y);
    return;
  }
  // Night sky, reddened near the horizon by the eruption's glow.
  Color sky = mix(Color{0.04f, 0.06f, 0.18f}, Color{0.45f, 0.12f, 0.10f}, (y - 0.15f) / 0.65f);
  float glow = std::exp(-((x - 0.5f) * (x - 0.5f) + (y - CRATER_Y) * (y - CRATER_Y)) / 0.012f);
  Color c = mix(sky, Color{1.f, 0.55f, 0.15f}, glow * 0.9f);
  if (y > BASE_Y) c = mix(Color{0.16f, 0.12f, 0.08f}, Color{0.07f, 0.05f, 0.04f}, (y - BASE_Y) / 0.15f);
  if (inside_volcano(x, y)) {
    // Rock lit from the left.
    float shade = (x < 0.5f ? 0.35f : 0.f) + 0.25f * (y - CRATER_Y);
    c = mix(Color{0.13f, 0.09f, 0.07f}, Color{0.36f, 0.24f, 0.16f}, shade);
  }
  float lava = lava_distance(x, y);
  if (lava < 0.f) {
    float t = (y - CRATER_Y) / (BASE_Y - CRATER_Y);
    c = mix(Color{1.f, 0.92f, 0.45f}, Color{0.95f, 0.32f, 0.05f}, t);
  } else if (lava < 0.02f && inside_volcano(x, y)) {
    c = mix(Color{0.85f, 0.3f, 0.05f}, c, lava / 0.02f);  // the rock glows beside the stream
  }
  // The crater's mouth.
  float cx = (x - 0.5f) / CRATER_HALF, cy = (y - CRATER_Y) / 0.03f;
  if (cx * cx + cy * cy < 1.f) c = Color{1.f, 0.85f, 0.35f};
  // Embers above the crater.
  static const float EMBERS[][3] = {{0.44f, 0.26f, 0.018f}, {0.55f, 0.21f, 0.015f}, {0.50f, 0.15f, 0.012f},
                                    {0.60f, 0.29f, 0.012f}, {0.40f, 0.18f, 0.010f}};
  for (const auto& e : EMBERS) {
    float ex = x - e[0], ey = y - e[1];
    if (ex * ex + ey * ey < e[2] * e[2]) c = Color{1.f, 0.75f, 0.25f};
  }
  *out = c;
}

}  // namespace

std::vector<uint8_t> paint_app_icon(int size) {
  // Supersampled: small sizes keep the shapes' edges smooth.
  const int grid = size < 64 ? 8 : 4;
  std::vector<uint8_t> px(size_t(size) * size_t(size) * 4);
  for (int py = 0; py < size; py++)
    for (int pxl = 0; pxl < size; pxl++) {
      float r = 0, g = 0, b = 0, a = 0;
      for (int sy = 0; sy < grid; sy++)
        for (int sx = 0; sx < grid; sx++) {
          float x = (float(pxl) + (float(sx) + 0.5f) / float(grid)) / float(size);
          float y = (float(py) + (float(sy) + 0.5f) / float(grid)) / float(size);
          Color c{0, 0, 0};
          float cover = 0;
          sample(x, y, &c, &cover);
          r += c.r * cover;
          g += c.g * cover;
          b += c.b * cover;
          a += cover;
        }
      uint8_t* p = &px[(size_t(py) * size_t(size) + size_t(pxl)) * 4];
      float n = float(grid * grid);
      // Straight alpha: the covered samples' average colour.
      float inv = a > 0 ? 1.f / a : 0.f;
      p[0] = uint8_t(std::lround(std::clamp(r * inv, 0.f, 1.f) * 255.f));
      p[1] = uint8_t(std::lround(std::clamp(g * inv, 0.f, 1.f) * 255.f));
      p[2] = uint8_t(std::lround(std::clamp(b * inv, 0.f, 1.f) * 255.f));
      p[3] = uint8_t(std::lround(a / n * 255.f));
    }
  return px;
}
