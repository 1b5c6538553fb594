#version 330 core
// Land into the G-buffers: the far grid, or with INST the near cells as
// instances of a 5 x 5 patch. Shadowing (sky and sun) from tex0.
#include "scene_common.inc"
#include "gbuffer.inc"
#include "land_common.inc"
#define LAND_DEPTH 1
#include "land_vertex.inc"
#ifdef PSH
#include "land_material.inc"
uniform sampler2D tex0;
uniform sampler2D tex1;
uniform sampler2D tex5;
in vec3 v_world;
in vec2 v_uv;
in float v_depth;
layout(location = 0) out vec4 g0;
layout(location = 1) out vec4 g1;
layout(location = 2) out vec4 g2;
void main() {
  vec3 n = frame_normal(tex1, v_uv);
  vec3 albedo = land_albedo(v_uv, v_world, n);
  float depth = fluid_depth(tex5, v_uv, v_world.y);
  albedo = under_water(albedo, depth);
  vec2 shade = frame_shadowing(tex0, v_uv);
  // Bright ground (snow, wet sand) gives a soft sheen.
  float sheen = clamp(dot(albedo, vec3(0.33)) - 0.75, 0.0, 0.3);
  g0 = vec4(albedo, 0.0);
  g1 = gbuffer_normal_depth(n, v_depth);
  g2 = vec4(shade.r, depth > 0.0 ? mix(shade.g, 1.0, 0.5) : shade.g, sheen, 0.2);
}
#endif
