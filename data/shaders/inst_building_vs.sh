// House tiles: the cell (x, z) as two integers, then (ground height, turn
// in radians, scale, depth of the yard) and a tint. A positive depth puts
// the bottom of the yard slab (the mesh's y = -1) that far below the
// ground height, down to the cell's lowest corner.
#include "shaders/inst_common.sh"
#ifdef VSH
layout(location = ATTR_POSITION) in vec3 pos;
layout(location = ATTR_NORMAL) in vec4 nrm;
layout(location = ATTR_COLOR0) in vec4 col;
layout(location = ATTR_POSITION10) in vec2 cell;
layout(location = ATTR_POSITION11) in vec4 place;
layout(location = ATTR_POSITION12) in vec4 tint;
void main() {
  float c = cos(place.y), s = sin(place.y);
  vec3 p = pos * place.z;
  if (pos.y < -0.99 && place.w > 0.0) p.y = -place.w;
  vec3 world = vec3(p.x * c + p.z * s + cell.x + 0.5, p.y + place.x, -p.x * s + p.z * c + cell.y + 0.5);
  vec3 n0 = unpack_vertex_normal(nrm);
  vec3 n = vec3(n0.x * c + n0.z * s, n0.y, -n0.x * s + n0.z * c);
  vec4 albedo = vec4(col.rgb * tint.rgb * 2.0, col.a);
  emit_vertex(world, n, albedo);
}
#endif
