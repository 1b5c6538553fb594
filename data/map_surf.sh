#version 330 core
// World map: ground colour with overlay and a little detail.
#include "texture_pass.inc"
#ifdef PSH
uniform sampler2D tex0;
uniform sampler2D tex1;
uniform sampler2D tex2;
in vec2 v_uv;
out vec4 color;
void main() {
  vec3 c = texture(tex0, v_uv).rgb;
  vec4 o = texture(tex1, v_uv);
  c = mix(c, o.rgb, o.a);
  float d = texture(tex2, v_uv * 32.0).g;
  color = vec4(c * (0.9 + 0.2 * d), 1.0);
}
#endif
