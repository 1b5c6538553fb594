#version 330 core
// The look of the frame: a soft bloom of bright parts (made at a quarter of
// the resolution by "postfx_bloom.sh", in tex1), exposure and a gentle
// filmic curve, saturation, vignette, then the frame tint.
// PS_TEXEL_SIZE of the scene image; PS_POSTFX_PARAMS (bloom,
// vignette, exposure, saturation); PS_POSTFX_TINT (r, g, b, strength).
#include "shader_constants.h"
#include "postfx_quad.inc"
#ifdef VSH
void main() { quad_vertex(); }
#endif
#ifdef PSH
uniform sampler2D tex0;
uniform sampler2D tex1;
out vec4 colour;

void main() {
  vec4 p = ps_c[PS_POSTFX_PARAMS];
  vec3 c = texture(tex0, uv).rgb + texture(tex1, uv).rgb;
  c *= p.z;
  // Highlights roll off instead of clipping.
  vec3 shoulder = 0.8 + 0.2 * (1.0 - exp(-(c - 0.8) * 5.0));
  c = mix(c, shoulder, step(0.8, c));
  c = mix(c, c * c * (3.0 - 2.0 * c), 0.2);
  float luma = dot(c, vec3(0.299, 0.587, 0.114));
  c = mix(vec3(luma), c, p.w);
  vec2 v = (uv - 0.5) * vec2(1.0, ps_c[PS_TEXEL_SIZE].w * ps_c[PS_TEXEL_SIZE].x);
  c *= 1.0 - p.y * dot(v, v) * 1.2;
  c = mix(c, ps_c[PS_POSTFX_TINT].rgb, clamp(ps_c[PS_POSTFX_TINT].a, 0.0, 1.0));
  colour = vec4(clamp(c, 0.0, 1.0), 1.0);
}
#endif
