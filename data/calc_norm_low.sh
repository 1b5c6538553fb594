#version 330 core
// Normals of the surface heights, four texels a cell: central differences
// one cell apart over the bilinear surface.
#include "texture_pass.inc"
#ifdef PSH
#include "heights.inc"
in vec2 v_uv;
out vec4 color;
void main() {
  vec2 p = v_uv * 256.0 - 0.5;
  float dx = height_at(p + vec2(1.0, 0.0)) - height_at(p - vec2(1.0, 0.0));
  float dz = height_at(p + vec2(0.0, 1.0)) - height_at(p - vec2(0.0, 1.0));
  vec3 n = normalize(vec3(-dx, 2.0, -dz));
  color = vec4(n * 0.5 + 0.5, 1.0);
}
#endif
