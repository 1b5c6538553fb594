#version 330 core
// The warp between worlds: every frame swirls and draws in the previous
// one a little further and lets it burn towards white. PS_WARP_TIME:
// (this frame's step in seconds, seconds since the warp began).
#include "shader_constants.h"
#include "postfx_quad.inc"
#ifdef VSH
void main() { quad_vertex(); }
#endif
#ifdef PSH
uniform sampler2D tex0;
out vec4 colour;
void main() {
  float step = ps_c[PS_WARP_TIME].x, total = ps_c[PS_WARP_TIME].y;
  vec2 d = uv - 0.5;
  float r = length(d);
  float angle = step * (2.5 + 4.0 * total) * (1.0 - min(r * 1.4, 1.0));
  float s = sin(angle), c = cos(angle);
  vec2 from = 0.5 + mat2(c, -s, s, c) * d * (1.0 - step * 0.8);
  vec3 col = texture(tex0, from).rgb;
  col = mix(col, vec3(1.0, 0.93, 0.8), clamp(step * total * 3.0, 0.0, 1.0));
  colour = vec4(col, 1.0);
}
#endif
