#version 330 core
// Water into the G-buffers at high quality: the colour blends over the
// ground below (already tinted by its depth), normal, depth and shine
// replace the ground's. Ripples and foam move with the flow phases.
#include "scene_common.inc"
#include "gbuffer.inc"
#include "land_common.inc"
#ifdef VSH
layout(location = ATTR_POSITION) in vec2 cell;
layout(location = ATTR_TEXCOORD0) in float surface;
layout(location = ATTR_TEXCOORD1) in vec4 flow;
layout(location = ATTR_TEXCOORD2) in vec2 foam_speed;
out vec3 v_world;
out vec2 v_uv;
out vec4 v_flow;
out vec2 v_foam_speed;
out float v_depth;
void main() {
  v_world = land_world(cell, surface);
  v_uv = cell_uv(cell);
  v_flow = flow;
  v_foam_speed = foam_speed / 256.0;
  v_depth = view_depth01(v_world);
  gl_Position = world_to_clip(v_world);
}
#endif
#ifdef PSH
#include "flow_surface.inc"
uniform sampler2D tex0;
uniform sampler2D tex3;
uniform sampler2D tex4;
in vec3 v_world;
in vec2 v_uv;
in vec4 v_flow;
in vec2 v_foam_speed;
in float v_depth;
layout(location = 0) out vec4 g0;
layout(location = 1) out vec4 g1;
layout(location = 2) out vec4 g2;
void main() {
  vec4 fine = flow_sample(tex4, v_flow, 0.21);
  vec4 coarse = flow_sample(tex4, v_flow, 0.07);
  float speed = sqrt(max(v_foam_speed.y, 0.0));
  vec2 slope = (fine.rg - 0.5) * (0.6 + min(speed, 2.0)) + (coarse.rg - 0.5) * 0.5;
  vec3 n = frame_normal(tex3, v_uv);
  n = normalize(n + vec3(slope.x, 0.0, slope.y) * 1.5);
  vec3 v = normalize(CAMERA_POS - v_world);
  float fresnel = 0.02 + 0.98 * pow(1.0 - max(dot(n, v), 0.0), 5.0);
  vec3 r = reflect(-v, n);
  // Foam where the water churns: the simulation's foam and fast flow.
  float churn = v_foam_speed.x * 2.0 + max(speed - 1.2, 0.0) * 0.4;
  float f = clamp(churn * 1.4 - (1.0 - fine.a) * 0.9, 0.0, 1.0);
  // The sky's reflection, divided by the light the lighting pass multiplies in.
  vec3 light = SKY(0).rgb + SKY(1).rgb * max(SUN_DIR.y, 0.0);
  vec3 reflection = sky_colour(vec3(r.x, max(r.y, 0.02), r.z)) / max(light, vec3(0.05));
  float a = clamp(0.12 + fresnel * 0.85, 0.0, 1.0);
  vec3 c = (reflection * fresnel + vec3(0.02, 0.07, 0.09)) / a;
  a = mix(a, 1.0, f);
  c = mix(c, vec3(0.85), f);
  vec2 shade = frame_shadowing(tex0, v_uv);
  g0 = vec4(c, a);
  g1 = gbuffer_normal_depth(n, v_depth);
  g2 = vec4(max(shade.r, 0.6), shade.g, 1.2 * (1.0 - f), 0.9);
}
#endif
