// Instanced objects that morph towards a second shape (trees burning down):
// the simple record and a weight in the red channel of the last colour.
#include "shaders/inst_common.sh"
#ifdef VSH
layout(location = ATTR_POSITION) in vec3 pos;
layout(location = ATTR_NORMAL) in vec4 nrm;
layout(location = ATTR_COLOR0) in vec4 col;
layout(location = ATTR_TEXCOORD0) in vec3 pos2;
layout(location = ATTR_TEXCOORD1) in vec4 col2;
layout(location = ATTR_POSITION11) in vec4 row0;
layout(location = ATTR_POSITION12) in vec4 row1;
layout(location = ATTR_POSITION13) in vec4 row2;
layout(location = ATTR_POSITION10) in vec3 inst_pos;
layout(location = ATTR_COLOR10) in vec4 tint;
layout(location = ATTR_POSITION15) in vec4 morph;
void main() {
  mat3 rs = mat3(unpack_row(row0), unpack_row(row1), unpack_row(row2));
  float w = morph.r;
  vec3 world = rs * mix(pos, pos2, w) + inst_pos;
  vec3 n = normalize(rs * unpack_vertex_normal(nrm));
  // Burnt parts lose the tint.
  vec4 albedo = vec4(mix(col.rgb * tint.rgb * 2.0, col2.rgb, w), mix(col.a, col2.a, w));
  emit_vertex(world, n, albedo);
}
#endif
