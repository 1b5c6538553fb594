#version 330 core
// The far world beyond the land disc, on a coarse grid lowered as the world
// curves away, drawn lit and hazed straight into the scene image.
#include "scene_common.inc"
#include "land_common.inc"
#ifdef VSH
layout(location = ATTR_POSITION) in vec2 cell;
layout(location = ATTR_TEXCOORD0) in float height;
out vec3 v_world;
out vec2 v_uv;
void main() {
  v_world = land_world(cell, height);
  v_uv = cell_uv(cell);
  gl_Position = world_to_clip(v_world);
}
#endif
#ifdef PSH
uniform sampler2D tex1;
uniform sampler2D tex2;  // the colours under their overlays
in vec3 v_world;
in vec2 v_uv;
out vec4 color;
void main() {
  vec3 n = frame_normal(tex1, v_uv);
  vec3 c = texture(tex2, v_uv).rgb;
  color = vec4(scene_haze(scene_light(c, n, 1.0, 1.0), v_world), 1.0);
}
#endif
