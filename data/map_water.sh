#version 330 core
// World map water: blue deepening with depth, foam white, lava glowing.
#include "shader_constants.h"
#ifdef VSH
layout(location = ATTR_POSITION) in vec2 cell;
layout(location = ATTR_TEXCOORD0) in vec2 fluid;
out vec2 v_fluid;
void main() {
  gl_Position = vec4((cell + 0.5) * vs_c[VS_MAP_CELL_TO_CLIP].xy + vs_c[VS_MAP_CELL_TO_CLIP].zw, 0.0, 1.0);
  v_fluid = fluid;
}
#endif
#ifdef PSH
in vec2 v_fluid;
out vec4 color;
void main() {
  float a = v_fluid.x;
  if (a < 0.0) {
    float heat = clamp(-a * 1.5, 0.0, 1.0);
    color = vec4(mix(vec3(0.5, 0.08, 0.0), vec3(1.0, 0.55, 0.1), heat), clamp(-a * 8.0, 0.0, 1.0));
    return;
  }
  float deep = 1.0 - exp(-a * 0.35);
  vec3 c = mix(vec3(0.25, 0.55, 0.6), vec3(0.04, 0.16, 0.32), deep);
  c = mix(c, vec3(0.9), clamp(v_fluid.y * 1.5, 0.0, 1.0));
  color = vec4(c, clamp(a * 6.0, 0.0, 0.92));
}
#endif
