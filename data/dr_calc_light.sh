#version 330 core
// Deferred lighting of the geometry pixels: surface colour, normal and depth
// from the G-buffers, land shadowing from G2, object shadows from L0 taken
// from the quarter-resolution texels nearest in depth.
// The frustum's edges (VS_FRUSTUM_*) give each pixel's offset from the
// camera.
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
uniform sampler2D s8, s9, s10, s11, s13;
in vec2 uv;
in vec3 ray;
out vec4 colour;

// Object shadow: the four quarter-resolution texels around the pixel,
// weighted towards those whose depth matches, so shadows stay off the
// objects and ground they don't fall on.
float object_shadow(float depth) {
  vec2 size = vec2(textureSize(s11, 0));
  vec2 f = uv * size - 0.5;
  vec2 base = floor(f);
  vec2 t = f - base;
  float sum = 0.0, weight = 0.0;
  for (int j = 0; j < 2; j++)
    for (int i = 0; i < 2; i++) {
      vec2 at = (base + vec2(i, j) + 0.5) / size;
      float d = unpack_depth(texture(s13, at).ba);
      float w = (i == 0 ? 1.0 - t.x : t.x) * (j == 0 ? 1.0 - t.y : t.y);
      w *= 1.0 / (1e-4 + abs(d - depth) * 512.0);
      sum += texture(s11, at).r * w;
      weight += w;
    }
  return weight > 0.0 ? sum / weight : 1.0;
}

void main() {
  vec4 g0 = texture(s8, uv);
  vec4 g1 = texture(s9, uv);
  vec4 g2 = texture(s10, uv);
  float depth = unpack_depth(g1.ba);
  vec3 n = unpack_normal(g1.rg);
  float sun_vis = g2.g * object_shadow(depth);
  vec3 lit = scene_light(g0.rgb, n, g2.r, sun_vis);
  lit += sun_specular(n, normalize(ray), g2.b, 1.0 + g2.a * 64.0) * sun_vis;
  colour = vec4(mix(lit, g0.rgb, g0.a), 1.0);
}
#endif
