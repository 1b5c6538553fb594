#version 330 core
// Trails and lightning bolts: ribbons of glowing light added onto the scene.
#include "scene_common.inc"
#ifdef VSH
layout(location = ATTR_POSITION) in vec3 pos;
layout(location = ATTR_COLOR0) in vec4 color;
layout(location = ATTR_TEXCOORD0) in vec2 tc;
out vec2 uv;
out vec4 tint;
void main() {
  gl_Position = world_to_clip(pos);
  uv = tc;
  tint = color;
}
#endif
#include "fx_pixel.inc"
