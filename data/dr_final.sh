#version 330 core
// The lit geometry (G3) into the scene image with the air's haze and fog by
// distance, from the depth in G1 and the frustum edges (VS_FRUSTUM_*).
#include "shader_constants.h"
#include "scene_common.inc"
#include "gbuffer.inc"
#ifdef VSH
layout(location = ATTR_POSITION) in vec3 pos;
out vec2 uv;
out vec3 ray;
void main() {
  gl_Position = vec4(pos.xy, 0.0, 1.0);
  uv = pos.xy * vec2(0.5, -0.5) + 0.5;
  ray = pos.x * vs_c[VS_FRUSTUM_RIGHT].xyz + pos.y * vs_c[VS_FRUSTUM_UP].xyz + vs_c[VS_FRUSTUM_FORWARD].xyz;
}
#endif
#ifdef PSH
uniform sampler2D s9, s11;
in vec2 uv;
in vec3 ray;
out vec4 colour;
void main() {
  float depth = unpack_depth(texture(s9, uv).ba);
  vec3 world = CAMERA_POS + ray * depth;
  colour = vec4(scene_haze(texture(s11, uv).rgb, world), 1.0);
}
#endif
