#include "tools/font_atlas/sdf_shapes.h"
#include <algorithm>
#include <cmath>
#include <vector>

namespace {
float len(Vec2 v) { return std::sqrt(v.x * v.x + v.y * v.y); }
Vec2 sub(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
float dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }

float segment_distance(Vec2 p, Vec2 a, Vec2 b) {
  Vec2 pa = sub(p, a), ba = sub(b, a);
  float den = dot(ba, ba);
  float h = den > 0 ? std::clamp(dot(pa, ba) / den, 0.f, 1.f) : 0.f;
  return len({pa.x - ba.x * h, pa.y - ba.y * h});
}
}  // namespace

float sd_circle(Vec2 p, Vec2 c, float r) { return len(sub(p, c)) - r; }

float sd_ring(Vec2 p, Vec2 c, float r, float half_width) { return std::fabs(len(sub(p, c)) - r) - half_width; }

float sd_box(Vec2 p, Vec2 c, Vec2 half, float corner) {
  Vec2 d = {std::fabs(p.x - c.x) - half.x + corner, std::fabs(p.y - c.y) - half.y + corner};
  Vec2 outside = {std::max(d.x, 0.f), std::max(d.y, 0.f)};
  return len(outside) + std::min(std::max(d.x, d.y), 0.f) - corner;
}

float sd_capsule(Vec2 p, Vec2 a, Vec2 b, float r) { return segment_distance(p, a, b) - r; }

float sd_polygon(Vec2 p, std::initializer_list<Vec2> list) {
  std::vector<Vec2> v(list);
  float d = 1e30f;
  bool inside = false;
  for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i++) {
    d = std::min(d, segment_distance(p, v[j], v[i]));
    // Even-odd crossing test.
    if ((v[i].y > p.y) != (v[j].y > p.y) && p.x < (v[j].x - v[i].x) * (p.y - v[i].y) / (v[j].y - v[i].y) + v[i].x)
      inside = !inside;
  }
  return inside ? -d : d;
}

float sd_polyline(Vec2 p, std::initializer_list<Vec2> list, float r) {
  std::vector<Vec2> v(list);
  float d = 1e30f;
  for (size_t i = 1; i < v.size(); i++) d = std::min(d, segment_distance(p, v[i - 1], v[i]));
  return d - r;
}

Vec2 rotate_about(Vec2 p, Vec2 c, float angle) {
  float cs = std::cos(angle), sn = std::sin(angle);
  Vec2 d = sub(p, c);
  return {c.x + cs * d.x - sn * d.y, c.y + sn * d.x + cs * d.y};
}
