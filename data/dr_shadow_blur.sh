#version 330 core
// One direction of the object-shadow blur at quarter resolution: five taps
// (1 4 6 4 1) along PS_BLUR_STEP (one step in xy, two steps in zw).
#include "shader_constants.h"
#include "postfx_quad.inc"
#ifdef VSH
void main() { quad_vertex(); }
#endif
#ifdef PSH
uniform sampler2D s11;
out vec4 colour;
void main() {
  vec2 one = ps_c[PS_BLUR_STEP].xy, two = ps_c[PS_BLUR_STEP].zw;
  vec4 sum = texture(s11, uv) * 6.0;
  sum += (texture(s11, uv - one) + texture(s11, uv + one)) * 4.0;
  sum += texture(s11, uv - two) + texture(s11, uv + two);
  colour = sum / 16.0;
}
#endif
