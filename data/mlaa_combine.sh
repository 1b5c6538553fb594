#version 330 core
// Blends each pixel across its edges by how much of it the smooth outline
// through the edge runs would cover. A run's ends show which way the outline
// turns: a step on the far side of the edge (-0.5), on the near side (+0.5)
// or none (0). Outline height > 0 reaches into the upper/left pixel, < 0
// into the lower/right one, which then takes that share of the other's
// colour.
#include "mlaa.inc"
#ifdef VSH
void main() { quad_vertex(); }
#endif
#ifdef PSH
uniform sampler2D tex0, tex1, tex2;
out vec4 colour;

float edge_top(ivec2 p) { return fetch(tex1, p).r; }
float edge_left(ivec2 p) { return fetch(tex1, p).g; }

float outline(float before, float after, float h0, float h1) {
  float n = before + after + 1.0, t = before + 0.5;
  if (h0 == 0.0 && h1 == 0.0) return 0.0;
  if (h0 == h1) return h0 * (1.0 - 2.0 * min(t, n - t) / n);
  return mix(h0, h1, t / n);
}

// Height of the outline at pixel p over the edge on top of p.
float top_edge_height(ivec2 p) {
  if (edge_top(p) < 0.5) return 0.0;
  vec4 d = fetch(tex2, p);
  float l = count(d.r), r = count(d.g);
  ivec2 a = p - ivec2(int(l), 0), b = p + ivec2(int(r) + 1, 0);
  float h0 = edge_left(a) > 0.5 ? -0.5 : (edge_left(a - ivec2(0, 1)) > 0.5 ? 0.5 : 0.0);
  float h1 = edge_left(b) > 0.5 ? -0.5 : (edge_left(b - ivec2(0, 1)) > 0.5 ? 0.5 : 0.0);
  return outline(l, r, h0, h1);
}

// Height of the outline at pixel p over the edge on the left of p.
float left_edge_height(ivec2 p) {
  if (edge_left(p) < 0.5) return 0.0;
  vec4 d = fetch(tex2, p);
  float u = count(d.b), w = count(d.a);
  ivec2 a = p - ivec2(0, int(u)), b = p + ivec2(0, int(w) + 1);
  float h0 = edge_top(a) > 0.5 ? -0.5 : (edge_top(a - ivec2(1, 0)) > 0.5 ? 0.5 : 0.0);
  float h1 = edge_top(b) > 0.5 ? -0.5 : (edge_top(b - ivec2(1, 0)) > 0.5 ? 0.5 : 0.0);
  return outline(u, w, h0, h1);
}

void main() {
  ivec2 p = ivec2(gl_FragCoord.xy);
  vec4 c = fetch(tex0, p);
  vec4 result = c;
  float h = top_edge_height(p);
  if (h < 0.0) result = mix(result, fetch(tex0, p - ivec2(0, 1)), -h);
  h = top_edge_height(p + ivec2(0, 1));
  if (h > 0.0) result = mix(result, fetch(tex0, p + ivec2(0, 1)), h);
  h = left_edge_height(p);
  if (h < 0.0) result = mix(result, fetch(tex0, p - ivec2(1, 0)), -h);
  h = left_edge_height(p + ivec2(1, 0));
  if (h > 0.0) result = mix(result, fetch(tex0, p + ivec2(1, 0)), h);
  colour = vec4(result.rgb, 1.0);
}
#endif
