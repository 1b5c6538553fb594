#version 330 core
// Run lengths of left edges along columns, as the rows pass does. Counts
// travel in red and green between passes; the final pass writes them to
// blue and alpha of the rows' result.
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
  float u1 = p.y >= 1 ? fetch(tex0, p - ivec2(0, 1)).g : 0.0;
  float u2 = p.y >= 2 ? fetch(tex0, p - ivec2(0, 2)).g : 0.0;
  float d1 = p.y + 1 < size.y ? fetch(tex0, p + ivec2(0, 1)).g : 0.0;
  float d2 = p.y + 2 < size.y ? fetch(tex0, p + ivec2(0, 2)).g : 0.0;
  float up = u1 + u1 * u2, down = d1 + d1 * d2;
#else
  int a = int(count(ps_c[0].x));
  vec4 here = fetch(tex1, p);
  float up = count(here.r), down = count(here.g);
  if (int(up) == a) up += count(fetch(tex1, p - ivec2(0, a)).r);
  if (int(down) == a) down += count(fetch(tex1, p + ivec2(0, a)).g);
#endif
  vec2 counts = vec2(min(up, 255.0), min(down, 255.0)) / 255.0;
#ifdef FINAL
  colour = vec4(0.0, 0.0, counts);
#else
  colour = vec4(counts, 0.0, 0.0);
#endif
}
#endif
