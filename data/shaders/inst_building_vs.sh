// House tiles: the cell (x, z) as two integers, then (ground height, turn
// in radians, scale, depth of the yard) and a tint; a tint with alpha 0
// marks a roof cell, whose four floats are its corner heights. A positive depth puts
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
  if (tint.a < 0.002) {
    // A roof cell (tint alpha 0): place holds the heights of the corners
    // (x, z), (x+1, z), (x, z+1), (x+1, z+1); the mesh's top follows them,
    // its bottom (y = -1) goes below the lowest.
    vec2 f = clamp(pos.xz + 0.5, 0.0, 1.0);
    float top = mix(mix(place.x, place.y, f.x), mix(place.z, place.w, f.x), f.y);
    float low = min(min(place.x, place.y), min(place.z, place.w)) - 0.5;
    vec3 at = vec3(cell.x + 0.5 + pos.x, pos.y < -0.99 ? low : top + pos.y, cell.y + 0.5 + pos.z);
    vec3 up = unpack_vertex_normal(nrm);
    vec3 albedo = col.rgb;
    if (up.y > 0.9) {
      up = normalize(vec3(place.x - place.y + place.z - place.w, 2.0, place.x - place.z + place.y - place.w));
      // Where the heights drop steeply the houses' walls show, not roof.
      albedo = mix(vec3(0.86, 0.80, 0.66), albedo, smoothstep(0.45, 0.7, up.y));
    }
    emit_vertex(at, up, vec4(albedo * tint.rgb * 2.0, col.a));
    return;
  }
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
