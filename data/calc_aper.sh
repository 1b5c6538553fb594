#version 330 core
// Shadowing of every cell: r = how much of the sky it sees (the horizon
// around it), g = how much of the sun (the horizon towards the scene's sun,
// vs_c[VS_SUN_DIR]). QUALITY 0, 1, 2: more directions and steps.
#include "shader_constants.h"
#include "texture_pass.inc"
#ifdef PSH
#include "heights.inc"
in vec2 v_uv;
out vec4 color;
#if QUALITY >= 2
const int DIRS = 16;
const int STEPS = 16;
const float GROWTH = 1.26;
#elif QUALITY == 1
const int DIRS = 12;
const int STEPS = 12;
const float GROWTH = 1.35;
#else
const int DIRS = 8;
const int STEPS = 8;
const float GROWTH = 1.6;
#endif

// Steepest rise (tangent) seen from p along dir, in steps growing outwards.
float horizon_tangent(vec2 p, float h0, vec2 dir) {
  float best = -1.0;
  float dist = 0.7;
  for (int s = 0; s < STEPS; s++) {
    float h = height_at(p + dir * dist);
    best = max(best, (h - h0) / dist);
    dist *= GROWTH;  // out to about 20 cells
  }
  return best;
}

void main() {
  vec2 p = floor(v_uv * 256.0);
  float h0 = cell_height(ivec2(p)) + 0.05;
  float sky = 0.0;
  for (int d = 0; d < DIRS; d++) {
    float a = (float(d) + 0.5) * 6.2831853 / float(DIRS);
    float tn = max(horizon_tangent(p, h0, vec2(cos(a), sin(a))), 0.0);
    sky += 1.0 - tn / sqrt(1.0 + tn * tn);  // 1 - sine of the horizon's elevation
  }
  sky /= float(DIRS);
  vec3 sun = vs_c[VS_SUN_DIR].xyz;
  float sun_vis = 1.0;
  float flat_len = length(sun.xz);
  if (flat_len > 1e-3) {
    float sun_tan = sun.y / flat_len;
    float tn = horizon_tangent(p, h0, sun.xz / flat_len);
    sun_vis = clamp((sun_tan - tn) * 4.0 + 0.5, 0.0, 1.0);
  } else if (sun.y < 0.0) {
    sun_vis = 0.0;
  }
  color = vec4(sky, sun_vis, 0.0, 1.0);
}
#endif
