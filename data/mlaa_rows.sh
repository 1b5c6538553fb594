#version 330 core
// Run lengths of top edges along rows by doubling: a pass with step a turns
// counts capped at a into counts capped at 2a (pixel register 0.x = a / 255).
// The first pass starts from the edge image alone.
#include "mlaa.inc"
#ifdef VSH
void main() { quad_vertex(); }
#endif
#ifdef PSH
uniform sampler2D tex0, tex1;
out vec4 colour;
void main() {
  ivec2 p = ivec2(gl_FragCoord.xy);
  ivec2 size = textureSize(tex0, 0);
#ifdef FIRST
  float l1 = p.x >= 1 ? fetch(tex0, p - ivec2(1, 0)).r : 0.0;
  float l2 = p.x >= 2 ? fetch(tex0, p - ivec2(2, 0)).r : 0.0;
  float r1 = p.x + 1 < size.x ? fetch(tex0, p + ivec2(1, 0)).r : 0.0;
  float r2 = p.x + 2 < size.x ? fetch(tex0, p + ivec2(2, 0)).r : 0.0;
  float left = l1 + l1 * l2, right = r1 + r1 * r2;
#else
  int a = int(count(ps_c[0].x));
  vec4 here = fetch(tex1, p);
  float left = count(here.r), right = count(here.g);
  if (int(left) == a) left += count(fetch(tex1, p - ivec2(a, 0)).r);
  if (int(right) == a) right += count(fetch(tex1, p + ivec2(a, 0)).g);
#endif
  colour = vec4(min(left, 255.0) / 255.0, min(right, 255.0) / 255.0, 0.0, 0.0);
}
#endif
