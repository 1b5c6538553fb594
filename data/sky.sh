#version 330 core
// The sky behind everything: the gradient, the horizon light and the glow of
// "scene_common.inc" plus the sun's disc.
#include "scene_common.inc"
#ifdef VSH
layout(location = ATTR_POSITION) in vec3 pos;
out vec3 dir;
void main() {
  dir = pos - CAMERA_POS;
  gl_Position = world_to_clip(pos);
}
#endif
#ifdef PSH
in vec3 dir;
out vec4 colour;
void main() {
  vec3 d = normalize(dir);
  vec3 c = sky_colour(d);
  float disc = smoothstep(0.99980, 0.99992, dot(d, SUN_DIR.xyz));
  c += SKY(5).rgb * SKY(6).z * disc;
  colour = vec4(c, 1.0);
}
#endif
