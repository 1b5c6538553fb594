#version 330 core
// Lava, forward: glowing where it is hot and deep, crusting over as it
// thins, the crust drifting slowly.
#include "scene_common.inc"
#include "land_common.inc"
#ifdef VSH
layout(location = ATTR_POSITION) in vec2 cell;
layout(location = ATTR_TEXCOORD0) in float surface;
layout(location = ATTR_TEXCOORD1) in float depth;
out vec3 v_world;
out vec2 v_uv;
out vec3 v_haze_keep;
out vec3 v_haze_add;
out float v_depth;
void main() {
  v_world = land_world(cell, surface);
  v_uv = cell_uv(cell);
  v_depth = depth;
  land_haze_terms(v_world, v_haze_keep, v_haze_add);
  gl_Position = world_to_clip(v_world);
}
#endif
#ifdef PSH
#include "lava_surface.inc"
uniform sampler2D tex3;
uniform sampler2D tex4;
in vec3 v_world;
in vec2 v_uv;
in vec3 v_haze_keep;
in vec3 v_haze_add;
in float v_depth;
out vec4 color;
void main() {
  float t = land_clock();
  vec3 n = frame_normal(tex3, v_uv);
  float a = texture(tex4, v_world.xz * 0.21 + t * vec2(0.011, 0.007)).r;
  float b = texture(tex4, v_world.xz * 0.53 - t * vec2(0.006, 0.013)).g;
  vec4 lava = lava_look(a * 0.65 + b * 0.35, v_depth, t);
  vec3 c = mix(scene_light(lava.rgb, n, 1.0, 1.0), lava.rgb, lava.a);
  // The glow shows through the haze.
  color = vec4(mix(c * v_haze_keep + v_haze_add, c, lava.a * 0.6), 1.0);
}
#endif
