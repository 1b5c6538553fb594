// Flying bodies bent along a curve: four control points (tail to head) of a
// cubic Bezier; the mesh's z (0..1) is the place on the curve, x and y lie
// across it. normal10/11: up at the tail and at the head; colour10: tint;
// colour11: r wing beat (-1..1 as 0..1), g half body width / 2 (parts wider
// than that beat), a cross-section scale / 4.
#include "shaders/inst_common.sh"
#ifdef VSH
layout(location = ATTR_POSITION) in vec3 pos;
layout(location = ATTR_NORMAL) in vec4 nrm;
layout(location = ATTR_COLOR0) in vec4 col;
layout(location = ATTR_POSITION10) in vec3 p0;
layout(location = ATTR_POSITION11) in vec3 p1;
layout(location = ATTR_POSITION12) in vec3 p2;
layout(location = ATTR_POSITION13) in vec3 p3;
layout(location = ATTR_NORMAL10) in vec4 up0;
layout(location = ATTR_NORMAL11) in vec4 up1;
layout(location = ATTR_COLOR10) in vec4 tint;
layout(location = ATTR_COLOR11) in vec4 shape;
void main() {
  float t = clamp(pos.z, 0.0, 1.0), s = 1.0 - t;
  vec3 centre = s * s * s * p0 + 3.0 * s * s * t * p1 + 3.0 * s * t * t * p2 + t * t * t * p3;
  vec3 d = 3.0 * s * s * (p1 - p0) + 6.0 * s * t * (p2 - p1) + 3.0 * t * t * (p3 - p2);
  vec3 fwd = length(d) > 1e-5 ? normalize(d) : vec3(0.0, 0.0, 1.0);
  vec3 up = mix(up0.xyz, up1.xyz, t) * 2.0 - 1.0;
  vec3 side = cross(up, fwd);
  side = length(side) > 1e-5 ? normalize(side) : vec3(1.0, 0.0, 0.0);
  up = cross(fwd, side);
  float scale = shape.a * 4.0;
  float beat = (shape.r * 2.0 - 1.0) * max(abs(pos.x) - shape.g * 2.0, 0.0);
  vec3 world = centre + (side * pos.x + up * (pos.y + beat)) * scale;
  vec3 n0 = unpack_vertex_normal(nrm);
  vec3 n = normalize(side * n0.x + up * n0.y + fwd * n0.z);
  vec4 albedo = vec4(col.rgb * tint.rgb * 2.0, col.a);
  emit_vertex(world, n, albedo);
}
#endif
