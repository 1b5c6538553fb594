#version 330 core
// World icons: a lit disc of radius 1 in (u, v) in the first colour, an
// outline in the second and, when the third colour is not 0, a halo out to
// 1.5. The first colour's alpha is the edge width, 3 / size (three pixels
// in (u, v)). Output premultiplied. vs_c[VS_PIXEL_TO_CLIP] = (2 / width, -2 / height, -1, 1).
#include "shader_constants.h"
#ifdef VSH
layout(location = ATTR_POSITION) in vec2 pos;
layout(location = ATTR_TEXCOORD0) in vec2 uv;
layout(location = ATTR_COLOR1) in vec4 second;
layout(location = ATTR_COLOR0) in vec4 first;
layout(location = ATTR_TEXCOORD1) in vec4 third;
out vec2 v_uv;
flat out vec4 v_first;
flat out vec4 v_second;
flat out vec4 v_third;
void main() {
  gl_Position = vec4(pos * vs_c[VS_PIXEL_TO_CLIP].xy + vs_c[VS_PIXEL_TO_CLIP].zw, 0.0, 1.0);
  v_uv = uv;
  v_first = first;
  v_second = second;
  v_third = third;
}
#endif
#ifdef PSH
in vec2 v_uv;
flat in vec4 v_first;
flat in vec4 v_second;
flat in vec4 v_third;
out vec4 color;
void main() {
  float px = max(v_first.a / 3.0, 1e-4);  // one pixel in (u, v)
  float r = length(v_uv);
  // The disc, lit from the upper left like a small planet.
  vec3 n = vec3(v_uv, sqrt(max(1.0 - r * r, 0.0)));
  float light = 0.35 + 0.65 * max(dot(n, normalize(vec3(-0.5, -0.6, 0.65))), 0.0);
  vec3 disc = v_first.rgb * light;
  float outline = 1.5 * px;
  float inDisc = clamp((1.0 - outline - r) / px + 0.5, 0.0, 1.0);
  float cover = clamp((1.0 - r) / px + 0.5, 0.0, 1.0);
  vec4 ring = vec4(v_second.rgb * v_second.a, v_second.a);
  color = mix(ring, vec4(disc, 1.0), inDisc) * cover;
  if (v_third != vec4(0.0)) {
    float halo = v_third.a * (1.0 - smoothstep(1.0, 1.5, r));
    color += vec4(v_third.rgb * halo, halo) * (1.0 - color.a);
  }
}
#endif
