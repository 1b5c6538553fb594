#version 330 core
// The bitmap font and filled rectangles: screen pixels in, texel
// coordinates in, vertex colour times the font image out.
// vs_c[VS_PIXEL_TO_CLIP] = (2 / width, -2 / height, -1, 1); vs_c[VS_FONT_TEXEL].xy = 1 / image size.
#include "shader_constants.h"
#ifdef VSH
layout(location = ATTR_POSITION) in vec2 pos;
layout(location = ATTR_COLOR0) in vec4 col;
layout(location = ATTR_TEXCOORD0) in vec2 texel;
out vec4 v_col;
out vec2 v_uv;
void main() {
  gl_Position = vec4(pos * vs_c[VS_PIXEL_TO_CLIP].xy + vs_c[VS_PIXEL_TO_CLIP].zw, 0.0, 1.0);
  v_col = col;
  v_uv = texel * vs_c[VS_FONT_TEXEL].xy;
}
#endif
#ifdef PSH
in vec4 v_col;
in vec2 v_uv;
uniform sampler2D tex0;
out vec4 color;
void main() {
  color = v_col * texture(tex0, v_uv);
  ALPHA_TEST(color);
}
#endif
