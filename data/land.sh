#version 330 core
// Land, forward: the far grid, or with INST the near cells as instances of
// a 5 x 5 patch.
#include "scene_common.inc"
#include "land_common.inc"
#include "land_vertex.inc"
#ifdef PSH
#include "land_material.inc"
uniform sampler2D tex1;
uniform sampler2D tex5;
in vec3 v_world;
in vec2 v_uv;
out vec4 color;
void main() {
  vec3 n = frame_normal(tex1, v_uv);
  vec3 albedo = land_albedo(v_uv, v_world, n);
  albedo = under_water(albedo, fluid_depth(tex5, v_uv, v_world.y));
  vec3 c = scene_light(albedo, n, 1.0, 1.0);
  color = vec4(land_haze(c, v_world), 1.0);
}
#endif
