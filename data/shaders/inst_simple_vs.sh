// Instanced objects: rotation-and-scale rows, position and tint per instance.
#include "shaders/inst_common.sh"
#ifdef VSH
layout(location = ATTR_POSITION) in vec3 pos;
layout(location = ATTR_NORMAL) in vec4 nrm;
layout(location = ATTR_COLOR0) in vec4 col;
layout(location = ATTR_POSITION11) in vec4 row0;
layout(location = ATTR_POSITION12) in vec4 row1;
layout(location = ATTR_POSITION13) in vec4 row2;
layout(location = ATTR_POSITION10) in vec3 inst_pos;
layout(location = ATTR_COLOR10) in vec4 tint;
void main() {
  mat3 rs = mat3(unpack_row(row0), unpack_row(row1), unpack_row(row2));
  vec3 world = rs * pos + inst_pos;
  vec3 n = normalize(rs * unpack_vertex_normal(nrm));
  emit_vertex(world, n, vec4(col.rgb * tint.rgb * 2.0, col.a));
}
#endif
