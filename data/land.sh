#version 330 core
// Land, forward: the far grid, or with INST the near cells as instances of
// a 5 x 5 patch.
#define LAND_FORWARD 1
#include "scene_common.inc"
#include "land_common.inc"
#include "land_vertex.inc"
#ifdef PSH
#include "land_material.inc"
uniform sampler2D tex1;
in vec3 v_world;
in vec2 v_uv;
in vec3 v_haze_keep;
in vec3 v_haze_add;
in vec3 v_water_light;
out vec4 color;
void main() {
  vec3 n = frame_normal(tex1, v_uv);
  vec3 albedo = under_water_lit(land_albedo(v_uv, v_world, n), v_water_light);
  vec3 c = scene_light(albedo, n, 1.0, 1.0);
  color = vec4(c * v_haze_keep + v_haze_add, 1.0);
}
#endif
