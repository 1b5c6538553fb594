#version 330 core
// Rounded boxes and lines, shaped by the distance to the box in its own
// frame (pixels, centre origin, y down). Output premultiplied.
// vs_c[VS_PIXEL_TO_CLIP] = (2 / width, -2 / height, -1, 1).
#include "shader_constants.h"
#ifdef VSH
layout(location = ATTR_POSITION) in vec2 pos;
layout(location = ATTR_TEXCOORD0) in vec4 box;     // local x, y; half width, height
layout(location = ATTR_TEXCOORD1) in vec2 grad;    // fill brightness at the top, bottom
layout(location = ATTR_TEXCOORD2) in vec4 radii;   // top-left, top-right, bottom-right, bottom-left
layout(location = ATTR_TEXCOORD3) in vec4 params;  // edge softness, border width, shadow size
layout(location = ATTR_COLOR0) in vec4 fill;
layout(location = ATTR_COLOR1) in vec4 border;
out vec4 v_box;
flat out vec2 v_grad;
flat out vec4 v_radii;
flat out vec4 v_params;
flat out vec4 v_fill;
flat out vec4 v_border;
void main() {
  gl_Position = vec4(pos * vs_c[VS_PIXEL_TO_CLIP].xy + vs_c[VS_PIXEL_TO_CLIP].zw, 0.0, 1.0);
  v_box = box;
  v_grad = grad;
  v_radii = radii;
  v_params = params;
  v_fill = fill;
  v_border = border;
}
#endif
#ifdef PSH
in vec4 v_box;
flat in vec2 v_grad;
flat in vec4 v_radii;
flat in vec4 v_params;
flat in vec4 v_fill;
flat in vec4 v_border;
out vec4 color;

// Signed distance from p to the box of half size b with the corner radii r.
float box_distance(vec2 p, vec2 b, vec4 r) {
  vec2 side = p.x > 0.0 ? r.yz : r.xw;  // right: top-right, bottom-right
  float radius = p.y > 0.0 ? side.y : side.x;
  vec2 q = abs(p) - b + radius;
  return min(max(q.x, q.y), 0.0) + length(max(q, 0.0)) - radius;
}

void main() {
  float soft = v_params.x;
  float d = box_distance(v_box.xy, v_box.zw, v_radii);
  float cover = clamp(0.5 - d / soft, 0.0, 1.0);
  float t = clamp(v_box.y / (2.0 * v_box.w) + 0.5, 0.0, 1.0);
  vec4 body = vec4(v_fill.rgb * mix(v_grad.x, v_grad.y, t), v_fill.a);
  if (v_params.y > 0.0) {
    float inner = clamp(0.5 - (d + v_params.y) / soft, 0.0, 1.0);
    body = mix(v_border, body, inner);
  }
  color = vec4(body.rgb * body.a, body.a) * cover;
  float shadow = v_params.z;
  if (shadow > 0.0) {
    float ds = box_distance(v_box.xy - vec2(0.0, 0.5 * shadow), v_box.zw, v_radii);
    float a = 0.5 * v_fill.a * (1.0 - smoothstep(-shadow, shadow, ds));
    color += vec4(0.0, 0.0, 0.0, a) * (1.0 - color.a);
  }
}
#endif
