#version 330 core
// Ball shadows: one full-tile quad per instance carrying NUMVEC balls
// (centre, radius). Each pixel finds its ground point from the scene depth
// and dims by how much of the sun each ball hides; the result multiplies
// into the shadow target.
//
// vs_c[VS_SHADOW_TILE]: tile size and origin in clip space; vs_c[VS_SHADOW_CAMERA]: camera position;
// vs_c[VS_FRUSTUM_RIGHT..VS_FRUSTUM_FORWARD]: frustum edge vectors (right, up, forward at depth 512);
// ps_c[PS_SUN_DIR]: direction towards the sun; stage 9: the quarter-resolution copy
// of G1 (view depth / 512).
#include "shader_constants.h"
#include "gbuffer.inc"
#ifdef VSH
layout(location = ATTR_POSITION) in vec2 corner;
layout(location = ATTR_COLOR0) in vec2 tile;
layout(location = ATTR_TEXCOORD0) in vec4 ball0;
#if NUMVEC > 1
layout(location = ATTR_TEXCOORD1) in vec4 ball1;
#endif
#if NUMVEC > 2
layout(location = ATTR_TEXCOORD2) in vec4 ball2;
layout(location = ATTR_TEXCOORD3) in vec4 ball3;
#endif
#if NUMVEC > 4
layout(location = ATTR_TEXCOORD4) in vec4 ball4;
layout(location = ATTR_TEXCOORD5) in vec4 ball5;
layout(location = ATTR_TEXCOORD6) in vec4 ball6;
layout(location = ATTR_TEXCOORD7) in vec4 ball7;
#endif
out vec2 v_ndc;
out vec3 v_ray;
out vec3 v_cam;
flat out vec4 v_balls[NUMVEC];
void main() {
  vec2 ndc = (tile + corner) * vs_c[VS_SHADOW_TILE].xy + vs_c[VS_SHADOW_TILE].zw;
  v_ndc = ndc;
  v_ray = vs_c[VS_FRUSTUM_RIGHT].xyz * ndc.x + vs_c[VS_FRUSTUM_UP].xyz * ndc.y + vs_c[VS_FRUSTUM_FORWARD].xyz;
  v_cam = vs_c[VS_SHADOW_CAMERA].xyz;
  v_balls[0] = ball0;
#if NUMVEC > 1
  v_balls[1] = ball1;
#endif
#if NUMVEC > 2
  v_balls[2] = ball2;
  v_balls[3] = ball3;
#endif
#if NUMVEC > 4
  v_balls[4] = ball4;
  v_balls[5] = ball5;
  v_balls[6] = ball6;
  v_balls[7] = ball7;
#endif
  gl_Position = vec4(ndc, 0.5, 1.0);
}
#endif
#ifdef PSH
uniform sampler2D s9;
in vec2 v_ndc;
in vec3 v_ray;
in vec3 v_cam;
flat in vec4 v_balls[NUMVEC];
out vec4 frag;
void main() {
  vec2 uv = vec2(0.5 + 0.5 * v_ndc.x, 0.5 - 0.5 * v_ndc.y);
  vec3 p = v_cam + v_ray * unpack_depth(texture(s9, uv).ba);
  vec3 sun = normalize(ps_c[PS_SUN_DIR].xyz);
  float lit = 1.0;
  for (int i = 0; i < NUMVEC; i++) {
    vec3 c = v_balls[i].xyz;
    float r = v_balls[i].w;
    float t = dot(c - p, sun);  // how far towards the sun the ball is
    float d = length(c - p - sun * t);
    // Soft edge widening with distance; gone before the binned sphere ends.
    float soft = r * 0.35 + t * 0.08;
    float hide = 1.0 - smoothstep(r - soft, r + soft, d);
    hide *= smoothstep(0.0, r * 0.5, t) * smoothstep(r * 7.0, r * 4.5, t);
    lit *= 1.0 - 0.9 * hide;
  }
  frag = vec4(lit, lit, lit, 1.0);
}
#endif
