#version 330 core
// The bloom of the frame's bright parts at a quarter of its resolution,
// already weighted: the look pass adds it, bilinearly, to every pixel.
// PS_TEXEL_SIZE: of the scene image; PS_POSTFX_PARAMS.x: bloom.
#include "shader_constants.h"
#include "postfx_quad.inc"
#ifdef VSH
void main() { quad_vertex(); }
#endif
#ifdef PSH
uniform sampler2D tex0;
out vec4 colour;

vec3 bright(vec2 at) { return max(texture(tex0, at).rgb - 0.65, 0.0); }

void main() {
  vec2 px = ps_c[PS_TEXEL_SIZE].xy;
  vec3 bloom = vec3(0.0);
  for (int i = 0; i < 8; i++) {
    float a = float(i) * 0.785398;
    vec2 d = vec2(cos(a), sin(a));
    bloom += bright(uv + d * px * 5.0) + 0.5 * bright(uv + d * px * 13.0);
  }
  colour = vec4(bloom * (ps_c[PS_POSTFX_PARAMS].x / 12.0), 1.0);
}
#endif
