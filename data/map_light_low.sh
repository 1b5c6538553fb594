#version 330 core
// World map lighting from the land's normals, lit from the upper left.
#include "texture_pass.inc"
#ifdef PSH
uniform sampler2D tex0;
in vec2 v_uv;
out vec4 color;
void main() {
  vec3 n = normalize(texture(tex0, v_uv).xyz * 2.0 - 1.0);
  float l = max(dot(n, normalize(vec3(-0.5, 0.8, -0.4))), 0.0);
  color = vec4(vec3(0.45 + 0.75 * l), 1.0);
}
#endif
