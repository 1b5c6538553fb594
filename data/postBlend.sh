#version 330 core
// The effects gathered in the floating-point target, laid over the scene
// (premultiplied: the scene keeps what the smoke leaves uncovered). Light
// past the knee is compressed rather than clipped, so piled-up fire keeps
// its shape instead of turning into a flat white patch.
#include "postfx_quad.inc"
#ifdef VSH
void main() { quad_vertex(); }
#endif
#ifdef PSH
uniform sampler2D tex0;
out vec4 colour;
const float KNEE = 0.75;
void main() {
  vec4 fx = texture(tex0, uv);
  vec3 over = max(fx.rgb - KNEE, 0.0);
  vec3 c = min(fx.rgb, KNEE) + (1.0 - KNEE) * (1.0 - exp(-over / (1.0 - KNEE)));
  colour = vec4(c, clamp(fx.a, 0.0, 1.0));
}
#endif
