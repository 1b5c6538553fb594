#version 330 core
// Normals of the surface heights, four texels a cell, from a smooth
// (cubic B-spline) surface through the cells, so slopes bend without facets.
#include "texture_pass.inc"
#ifdef PSH
#include "heights.inc"
in vec2 v_uv;
out vec4 color;

vec4 bspline(float t) {
  float s = 1.0 - t;
  return vec4(s * s * s, 4.0 - 6.0 * t * t + 3.0 * t * t * t, 1.0 + 3.0 * t + 3.0 * t * t - 3.0 * t * t * t,
              t * t * t) / 6.0;
}
vec4 bspline_d(float t) {
  float s = 1.0 - t;
  return vec4(-s * s, -4.0 * t + 3.0 * t * t, 1.0 + 2.0 * t - 3.0 * t * t, t * t) * 0.5;
}

void main() {
  vec2 p = v_uv * 256.0 - 0.5;
  vec2 f = floor(p);
  vec2 t = p - f;
  ivec2 c = ivec2(f) - 1;
  vec4 wx = bspline(t.x), wz = bspline(t.y), dx = bspline_d(t.x), dz = bspline_d(t.y);
  float gx = 0.0, gz = 0.0;
  for (int j = 0; j < 4; j++)
    for (int i = 0; i < 4; i++) {
      float h = cell_height(c + ivec2(i, j));
      gx += h * dx[i] * wz[j];
      gz += h * wx[i] * dz[j];
    }
  vec3 n = normalize(vec3(-gx, 1.0, -gz));
  color = vec4(n * 0.5 + 0.5, 1.0);
}
#endif
