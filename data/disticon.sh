#version 330 core
// Distance-field icons: up to four layers in the atlas's red, green, blue
// and alpha channels, coloured by colours 2 to 5 and drawn in that order
// over the outline and shadow of their union in colour 1. Edge parameters
// as in distfont.sh. vs_c[VS_PIXEL_TO_CLIP] = (2 / width, -2 / height, -1, 1).
#include "shader_constants.h"
#ifdef VSH
layout(location = ATTR_POSITION) in vec2 pos;
layout(location = ATTR_COLOR0) in vec4 c1;
layout(location = ATTR_TEXCOORD1) in vec4 edge;
layout(location = ATTR_TEXCOORD0) in vec2 uv;
layout(location = ATTR_COLOR1) in vec4 c2;
layout(location = ATTR_TEXCOORD2) in vec4 c3;
layout(location = ATTR_TEXCOORD3) in vec4 c4;
layout(location = ATTR_TEXCOORD4) in vec4 c5;
out vec4 v_c1, v_c2, v_c3, v_c4, v_c5, v_edge;
out vec2 v_uv;
void main() {
  gl_Position = vec4(pos * vs_c[VS_PIXEL_TO_CLIP].xy + vs_c[VS_PIXEL_TO_CLIP].zw, 0.0, 1.0);
  v_c1 = c1;
  v_c2 = c2;
  v_c3 = c3;
  v_c4 = c4;
  v_c5 = c5;
  v_edge = edge;
  v_uv = uv;
}
#endif
#ifdef PSH
in vec4 v_c1, v_c2, v_c3, v_c4, v_c5, v_edge;
in vec2 v_uv;
uniform sampler2D tex0;
out vec4 color;
float cover(float value, float threshold, float ramp) { return clamp((value - threshold) / ramp, 0.0, 1.0); }
vec4 over(vec4 top, float coverage, vec4 under) {
  float a = top.a * coverage;
  return vec4(top.rgb * a, a) + under * (1.0 - a);
}
void main() {
  vec4 d = texture(tex0, v_uv);
  float all_layers = max(max(d.r, d.g), max(d.b, d.a));
  float fw = max(length(vec2(dFdx(all_layers), dFdy(all_layers))), 1.0 / 1024.0);
  float outline = cover(all_layers, v_edge.b, fw * 1.5);
  // A byte can't hold 0.5 exactly: the nearest steps mean no shadow.
  vec2 shift = (0.5 - v_edge.rg) / 32.0;
  if (all(lessThan(abs(v_edge.rg - 0.5), vec2(1.0 / 255.0)))) shift = vec2(0.0);
  float shadow = 0.0;
  if (any(notEqual(shift, vec2(0.0)))) {
    vec4 s = texture(tex0, v_uv - shift);
    shadow = cover(max(max(s.r, s.g), max(s.b, s.a)), v_edge.b, fw * 3.0);
  }
  float under = max(outline, shadow) * v_c1.a;
  vec4 c = vec4(v_c1.rgb * under, under);
  c = over(v_c2, cover(d.r, v_edge.a, fw), c);
  c = over(v_c3, cover(d.g, v_edge.a, fw), c);
  c = over(v_c4, cover(d.b, v_edge.a, fw), c);
  c = over(v_c5, cover(d.a, v_edge.a, fw), c);
  color = c;
  ALPHA_TEST(color);
}
#endif
