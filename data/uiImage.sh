#version 330 core
// Images on screen: the texture tinted by the vertex colour, premultiplied.
// vs_c[VS_PIXEL_TO_CLIP] = (2 / width, -2 / height, -1, 1).
#include "shader_constants.h"
#ifdef VSH
layout(location = ATTR_POSITION) in vec2 pos;
layout(location = ATTR_COLOR0) in vec4 col;
layout(location = ATTR_TEXCOORD0) in vec2 uv;
out vec4 v_col;
out vec2 v_uv;
void main() {
  gl_Position = vec4(pos * vs_c[VS_PIXEL_TO_CLIP].xy + vs_c[VS_PIXEL_TO_CLIP].zw, 0.0, 1.0);
  v_col = col;
  v_uv = uv;
}
#endif
#ifdef PSH
in vec4 v_col;
in vec2 v_uv;
uniform sampler2D tex0;
out vec4 color;
void main() {
  vec4 c = v_col * texture(tex0, v_uv);
  color = vec4(c.rgb * c.a, c.a);
  ALPHA_TEST(color);
}
#endif
