#version 330 core
// World map lighting from the land's shadowing (r sky, g sun).
#include "texture_pass.inc"
#ifdef PSH
uniform sampler2D tex0;
in vec2 v_uv;
out vec4 color;
void main() {
  vec4 s = texture(tex0, v_uv);
  color = vec4(vec3(0.35 + 0.5 * s.r + 0.35 * s.g), 1.0);
}
#endif
