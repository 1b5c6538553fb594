#version 330 core
// Water, forward: sky reflected by the rippled surface, sun glints, foam
// (tex4 the foam map: slopes in r and g, bubbles in a).
// The ground under it is tinted by depth when the land is drawn.
#include "scene_common.inc"
#include "land_common.inc"
#ifdef VSH
layout(location = ATTR_POSITION) in vec2 cell;
layout(location = ATTR_TEXCOORD0) in float surface;
layout(location = ATTR_TEXCOORD1) in float foam;
out vec3 v_world;
out vec2 v_uv;
out vec3 v_haze_keep;
out vec3 v_haze_add;
out float v_foam;
void main() {
  v_world = land_world(cell, surface);
  v_uv = cell_uv(cell);
  v_foam = foam;
  land_haze_terms(v_world, v_haze_keep, v_haze_add);
  gl_Position = world_to_clip(v_world);
}
#endif
#ifdef PSH
#include "water_surface.inc"
uniform sampler2D tex3;
uniform sampler2D tex4;
in vec3 v_world;
in vec2 v_uv;
in vec3 v_haze_keep;
in vec3 v_haze_add;
in float v_foam;
out vec4 color;
// Ripples: the foam map's slopes (r, g; 0.5 is flat) drifting two ways.
vec2 ripple_slope(vec2 q) { return texture(tex4, q).rg - 0.5; }
void main() {
  float t = land_clock();
  vec2 q = v_world.xz;
  vec2 ripple = ripple_slope(q * 0.21 + t * vec2(0.031, 0.019)) * 0.6 + ripple_slope(q * 0.09 - t * vec2(0.017, 0.037)) * 0.5;
  vec3 n = frame_normal(tex3, v_uv);
  n = normalize(n + vec3(ripple.x, 0.0, ripple.y) * 1.5);
  // The foam map's bubbles and streaks break the foam up.
  float pattern = texture(tex4, v_world.xz * 0.3 + t * vec2(0.05, 0.03)).a;
  color = water_color(v_world, n, v_foam, pattern);
  color.rgb = color.rgb * v_haze_keep + v_haze_add;
}
#endif
