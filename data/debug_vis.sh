#version 330 core
// Development overlay: vertex colours in world space.
#include "scene_common.inc"
#ifdef VSH
layout(location = ATTR_POSITION) in vec3 pos;
layout(location = ATTR_COLOR0) in vec4 color;
out vec4 col;
void main() {
  gl_Position = world_to_clip(pos);
  col = color;
}
#endif
#ifdef PSH
in vec4 col;
out vec4 frag;
void main() { frag = col; }
#endif
