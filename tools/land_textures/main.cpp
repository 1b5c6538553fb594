// land_textures OUT_FOLDER: writes the terrain renderer's tiling textures,
// "detail.dds", "foam.dds" and "lava.dds" (DXT5, 256 x 256 with mip levels),
// made from seamless procedural noise.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>
#include "tools/asset_common/dds_writer.h"
#include "tools/land_textures/tileable_noise.h"

namespace {
constexpr int SIZE = 256;

uint8_t to_byte(float v) { return uint8_t(std::clamp(v, 0.f, 1.f) * 255.f + 0.5f); }
float smooth(float a, float b, float v) {
  float t = std::clamp((v - a) / (b - a), 0.f, 1.f);
  return t * t * (3.f - 2.f * t);
}

// Channel values (0..1) of one texel at tile position (x, y).
typedef void (*Texel)(const TileableNoise& n, float x, float y, float out[4]);

// Ground detail: r cracks in rock, g grain of sand and soil, b clumps of
// grass, a large soft patches. Each averages about 0.5.
void detail_texel(const TileableNoise& n, float x, float y, float out[4]) {
  float f1, f2;
  n.cells(x, y, 6, &f1, &f2);
  float crack = smooth(0.0f, 0.12f, f2 - f1);
  float strata = n.ridged(x, y, 4, 4);
  out[0] = 0.3f + 0.35f * crack + 0.35f * strata + 0.12f * n.fbm(x, y, 16, 3, 0.5f);
  out[1] = 0.5f + 0.32f * n.fbm(x, y, 32, 3, 0.7f);
  // Grass: small dark tufts over a lighter ground, stretched a little.
  float tufts = n.fbm(x * 1.f, y, 24, 2, 0.6f);
  out[2] = 0.55f + 0.45f * std::tanh(tufts * 2.5f) * 0.8f + 0.1f * n.gradient(x, y, 64);
  out[3] = 0.5f + 0.45f * n.fbm(x, y, 3, 3, 0.55f);
}

// Water: r, g the surface's slope along x and z (0.5 = flat), b its height,
// a the foam's bubbles and streaks.
void foam_texel(const TileableNoise& n, float x, float y, float out[4]) {
  const float e = 1.f / SIZE;
  auto h = [&](float u, float v) { return n.fbm(u, v, 8, 4, 0.5f); };
  float dx = (h(x + e, y) - h(x - e, y)) / (2.f * e), dy = (h(x, y + e) - h(x, y - e)) / (2.f * e);
  out[0] = 0.5f + std::clamp(dx * 0.012f, -0.5f, 0.5f);
  out[1] = 0.5f + std::clamp(dy * 0.012f, -0.5f, 0.5f);
  out[2] = 0.5f + 0.5f * h(x, y);
  float f1, f2;
  n.cells(x, y, 20, &f1, &f2);
  float bubbles = smooth(0.05f, 0.25f, f2 - f1) * smooth(0.0f, 0.5f, f1);
  float streaks = 0.5f + 0.5f * n.fbm(x, y, 6, 3, 0.6f);
  out[3] = std::clamp(bubbles * 0.6f + streaks * 0.55f - 0.1f, 0.f, 1.f);
}

// Lava: r the crust (low in the cracks between plates), g slow swirls,
// b fine bubbles, a the heat under the crust.
void lava_texel(const TileableNoise& n, float x, float y, float out[4]) {
  float f1, f2;
  float wx = x + 0.04f * n.fbm(x, y, 4, 2, 0.5f), wy = y + 0.04f * n.fbm(x + 0.37f, y + 0.71f, 4, 2, 0.5f);
  n.cells(wx, wy, 7, &f1, &f2);
  float plates = smooth(0.02f, 0.3f, f2 - f1);
  out[0] = std::clamp(0.15f + 0.75f * plates + 0.15f * n.fbm(x, y, 32, 2, 0.5f), 0.f, 1.f);
  out[1] = 0.5f + 0.45f * n.fbm(x, y, 4, 4, 0.6f);
  n.cells(x, y, 40, &f1, &f2);
  out[2] = smooth(0.1f, 0.6f, f1);
  out[3] = 0.5f + 0.5f * n.fbm(x, y, 2, 4, 0.5f);
}

// Channels listed in `centred` are shifted so that they average 0.5: the
// shaders read them as variations around a neutral middle.
bool write_texture(const std::string& path, uint32_t seed, Texel texel, int centred) {
  TileableNoise noise(seed);
  std::vector<float> values(size_t(SIZE) * SIZE * 4);
  double sum[4] = {0, 0, 0, 0};
  for (int y = 0; y < SIZE; y++)
    for (int x = 0; x < SIZE; x++) {
      float* v = &values[(size_t(y) * SIZE + size_t(x)) * 4];
      texel(noise, (float(x) + 0.5f) / SIZE, (float(y) + 0.5f) / SIZE, v);
      for (int c = 0; c < 4; c++) sum[c] += v[c];
    }
  std::vector<uint8_t> px(values.size());
  for (size_t i = 0; i < values.size(); i++) {
    int c = int(i & 3);
    float shift = (centred >> c) & 1 ? 0.5f - float(sum[c] / (SIZE * SIZE)) : 0.f;
    px[i] = to_byte(values[i] + shift);
  }
  return write_dds_file(path.c_str(), DdsFormat::DXT5, SIZE, SIZE, px.data(), 0);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: land_textures OUT_FOLDER\n");
    return 1;
  }
  std::string dir = std::string(argv[1]) + "/";
  bool ok = write_texture(dir + "detail.dds", 17, detail_texel, 15);
  ok = write_texture(dir + "foam.dds", 29, foam_texel, 3) && ok;
  ok = write_texture(dir + "lava.dds", 43, lava_texel, 0) && ok;
  return ok ? 0 : 2;
}
