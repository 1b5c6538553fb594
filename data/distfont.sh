#version 330 core
// Distance-field text. The atlas holds 0.5 on a glyph's edge, rising
// inwards. Edge parameters per vertex: a = glyph threshold, b = outline
// threshold (both where coverage reaches 0, one screen pixel of ramp),
// r, g = shadow offset, (0.5 - value) / 32 of the atlas (none when both
// are within a step of 0.5).
// vs_c[VS_PIXEL_TO_CLIP] = (2 / width, -2 / height, -1, 1).
#include "shader_constants.h"
#ifdef VSH
layout(location = ATTR_POSITION) in vec2 pos;
layout(location = ATTR_COLOR0) in vec4 col;
layout(location = ATTR_COLOR1) in vec4 outline_col;
layout(location = ATTR_TEXCOORD0) in vec2 uv;
layout(location = ATTR_TEXCOORD1) in vec4 edge;
out vec4 v_col;
out vec4 v_outline;
out vec4 v_edge;
out vec2 v_uv;
void main() {
  gl_Position = vec4(pos * vs_c[VS_PIXEL_TO_CLIP].xy + vs_c[VS_PIXEL_TO_CLIP].zw, 0.0, 1.0);
  v_col = col;
  v_outline = outline_col;
  v_edge = edge;
  v_uv = uv;
}
#endif
#ifdef PSH
in vec4 v_col;
in vec4 v_outline;
in vec4 v_edge;
in vec2 v_uv;
uniform sampler2D tex0;
out vec4 color;
float cover(float value, float threshold, float ramp) { return clamp((value - threshold) / ramp, 0.0, 1.0); }
void main() {
  float d = texture(tex0, v_uv).r;
  float fw = max(length(vec2(dFdx(d), dFdy(d))), 1.0 / 1024.0);  // field change over one screen pixel
  float glyph = cover(d, v_edge.a, fw);
  float outline = cover(d, v_edge.b, fw * 1.5);
  // A byte can't hold 0.5 exactly: the nearest steps mean no shadow.
  vec2 shift = (0.5 - v_edge.rg) / 32.0;
  if (all(lessThan(abs(v_edge.rg - 0.5), vec2(1.0 / 255.0)))) shift = vec2(0.0);
  float shadow = 0.0;
  if (any(notEqual(shift, vec2(0.0)))) shadow = cover(texture(tex0, v_uv - shift).r, v_edge.b, fw * 3.0);
  // Premultiplied: the glyph over its outline and soft shadow.
  float under = max(outline, shadow) * v_outline.a;
  vec4 back = vec4(v_outline.rgb * under, under);
  float a = glyph * v_col.a;
  color = vec4(v_col.rgb * a, a) + back * (1.0 - a);
  ALPHA_TEST(color);
}
#endif
