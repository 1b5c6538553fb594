#pragma once
// Signed distances to simple shapes, negative inside, in the units of the
// point given. Shapes combine with min (union), max (intersection) and
// max(a, -b) (cut).
#include <initializer_list>

struct Vec2 {
  float x, y;
};

float sd_circle(Vec2 p, Vec2 c, float r);
float sd_ring(Vec2 p, Vec2 c, float r, float half_width);
float sd_box(Vec2 p, Vec2 c, Vec2 half, float corner);
float sd_capsule(Vec2 p, Vec2 a, Vec2 b, float r);
// A closed polygon of any winding; concave ones too.
float sd_polygon(Vec2 p, std::initializer_list<Vec2> pts);
// An open polyline of capsules.
float sd_polyline(Vec2 p, std::initializer_list<Vec2> pts, float r);

inline float sd_union(float a, float b) { return a < b ? a : b; }
inline float sd_cut(float a, float b) { return a > -b ? a : -b; }
inline float sd_intersect(float a, float b) { return a > b ? a : b; }
// Rotates p about c by angle (radians).
Vec2 rotate_about(Vec2 p, Vec2 c, float angle);
