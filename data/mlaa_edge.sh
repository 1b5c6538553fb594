#version 330 core
// Edges of the scene image where brightness jumps.
#include "mlaa.inc"
#ifdef VSH
void main() { quad_vertex(); }
#endif
#ifdef PSH
uniform sampler2D tex0;
out vec4 colour;
float luma(ivec2 p) { return dot(fetch(tex0, p).rgb, vec3(0.299, 0.587, 0.114)); }
void main() {
  ivec2 p = ivec2(gl_FragCoord.xy);
  float l = luma(p);
  const float THRESHOLD = 0.1;
  float top = p.y > 0 && abs(l - luma(p - ivec2(0, 1))) > THRESHOLD ? 1.0 : 0.0;
  float left = p.x > 0 && abs(l - luma(p - ivec2(1, 0))) > THRESHOLD ? 1.0 : 0.0;
  colour = vec4(top, left, 0.0, 0.0);
}
#endif
