#version 330 core
// Lava into the first two G-buffers: glow where it is hot, a crust that
// drifts with the flow and closes as the lava thins.
#include "scene_common.inc"
#include "gbuffer.inc"
#include "land_common.inc"
#ifdef VSH
layout(location = ATTR_POSITION) in vec2 cell;
layout(location = ATTR_TEXCOORD0) in float surface;
layout(location = ATTR_TEXCOORD1) in vec4 flow;
layout(location = ATTR_TEXCOORD2) in vec2 depth_speed;
out vec3 v_world;
out vec2 v_uv;
out vec4 v_flow;
out float v_lava;
out float v_depth;
void main() {
  v_world = land_world(cell, surface);
  v_uv = cell_uv(cell);
  v_flow = flow;
  v_lava = depth_speed.x / 1024.0;
  v_depth = view_depth01(v_world);
  gl_Position = world_to_clip(v_world);
}
#endif
#ifdef PSH
#include "flow_surface.inc"
#include "lava_surface.inc"
uniform sampler2D tex3;
uniform sampler2D tex4;
in vec3 v_world;
in vec2 v_uv;
in vec4 v_flow;
in float v_lava;
in float v_depth;
layout(location = 0) out vec4 g0;
layout(location = 1) out vec4 g1;
void main() {
  float t = land_clock();
  vec4 plates = flow_sample(tex4, v_flow, 0.09);
  float swirl = texture(tex4, v_world.xz * 0.05 + vec2(t * 0.004, 0.0)).g;
  vec4 lava = lava_look(plates.r * 0.75 + swirl * 0.25, v_lava, t);
  vec3 n = frame_normal(tex3, v_uv);
  n = normalize(n + vec3(plates.g - 0.5, 0.0, plates.b - 0.5) * 0.6);
  g0 = vec4(lava.rgb, lava.a);
  g1 = gbuffer_normal_depth(n, v_depth);
}
#endif
