#version 330 core
// Trails and lightning bolts: ribbons of glowing light added onto the scene.
// vs_c[0..3]: view x projection rows.
#ifdef VSH
layout(location = ATTR_POSITION) in vec3 pos;
layout(location = ATTR_COLOR0) in vec4 color;
layout(location = ATTR_TEXCOORD0) in vec2 tc;
out vec2 uv;
out vec4 tint;
void main() {
  gl_Position = pos.x * vs_c[0] + pos.y * vs_c[1] + pos.z * vs_c[2] + vs_c[3];
  uv = tc;
  tint = color;
}
#endif
#include "fx_pixel.inc"
