#include "tools/land_textures/tileable_noise.h"
#include <algorithm>
#include <cmath>

uint32_t TileableNoise::hash(int x, int y, int salt) const {
  uint32_t h = seed_ * 0x9E3779B1u ^ uint32_t(x) * 0x85EBCA77u ^ uint32_t(y) * 0xC2B2AE3Du ^ uint32_t(salt) * 0x27D4EB2Fu;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return h;
}

static inline int wrap(int v, int period) { return ((v % period) + period) % period; }
static inline float fade(float t) { return t * t * t * (t * (t * 6.f - 15.f) + 10.f); }

float TileableNoise::gradient(float x, float y, int period) const {
  float px = x * float(period), py = y * float(period);
  int ix = int(std::floor(px)), iy = int(std::floor(py));
  float fx = px - float(ix), fy = py - float(iy);
  auto corner = [&](int dx, int dy) {
    uint32_t h = hash(wrap(ix + dx, period), wrap(iy + dy, period), period);
    float a = float(h & 0xFFFF) * (6.2831853f / 65536.f);
    return std::cos(a) * (fx - float(dx)) + std::sin(a) * (fy - float(dy));
  };
  float u = fade(fx), v = fade(fy);
  float top = corner(0, 0) + (corner(1, 0) - corner(0, 0)) * u;
  float bottom = corner(0, 1) + (corner(1, 1) - corner(0, 1)) * u;
  return (top + (bottom - top) * v) * 1.41f;
}

float TileableNoise::fbm(float x, float y, int period, int octaves, float gain) const {
  float sum = 0.f, amp = 1.f, norm = 0.f;
  for (int o = 0; o < octaves; o++, period *= 2, amp *= gain) {
    sum += gradient(x, y, period) * amp;
    norm += amp;
  }
  return sum / norm;
}

float TileableNoise::ridged(float x, float y, int period, int octaves) const {
  float sum = 0.f, amp = 1.f, norm = 0.f;
  for (int o = 0; o < octaves; o++, period *= 2, amp *= 0.5f) {
    float r = 1.f - std::fabs(gradient(x, y, period));
    sum += r * r * amp;
    norm += amp;
  }
  return sum / norm;
}

void TileableNoise::cells(float x, float y, int period, float* f1, float* f2) const {
  float px = x * float(period), py = y * float(period);
  int ix = int(std::floor(px)), iy = int(std::floor(py));
  float d1 = 1e9f, d2 = 1e9f;
  for (int dy = -1; dy <= 1; dy++)
    for (int dx = -1; dx <= 1; dx++) {
      uint32_t h = hash(wrap(ix + dx, period), wrap(iy + dy, period), period + 977);
      float cx = float(ix + dx) + float(h & 0xFFFF) / 65536.f;
      float cy = float(iy + dy) + float(h >> 16) / 65536.f;
      float d = std::hypot(px - cx, py - cy);
      if (d < d1) {
        d2 = d1;
        d1 = d;
      } else if (d < d2) {
        d2 = d;
      }
    }
  *f1 = d1;
  *f2 = d2;
}
