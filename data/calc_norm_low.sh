#version 330 core
// Normals of the surface heights, four texels a cell: central differences
// one cell apart over the bilinear surface, with the texture unit doing the
// bilinear part (four filtered taps a texel).
#include "texture_pass.inc"
#ifdef PSH
uniform sampler2D tex0;
in vec2 v_uv;
out vec4 color;
void main() {
  const float c = 1.0 / 256.0;
  float dx = texture(tex0, v_uv + vec2(c, 0.0)).r - texture(tex0, v_uv - vec2(c, 0.0)).r;
  float dz = texture(tex0, v_uv + vec2(0.0, c)).r - texture(tex0, v_uv - vec2(0.0, c)).r;
  color = vec4(normalize(vec3(-dx, 2.0, -dz)) * 0.5 + 0.5, 1.0);
}
#endif
