// Shared by the instanced object shaders: the scene's registers, light and
// haze, and the instance data decoding. Per-instance rotation-and-scale rows
// arrive as packed colours: row = (rgb * 2 - 1) * a * INST_ROW_SCALE.
// Vertex colour alpha below 1 marks glowing parts (glow = 1 - alpha).
#include "scene_common.inc"
#include "gbuffer.inc"
#define INST_ROW_SCALE 8.0

#ifdef VSH
vec3 unpack_row(vec4 c) { return (c.rgb * 2.0 - 1.0) * (c.a * INST_ROW_SCALE); }
vec3 unpack_vertex_normal(vec4 c) { return c.xyz * 2.0 - 1.0; }

out vec3 v_world;
out vec3 v_normal;
out vec4 v_albedo;
out float v_depth;
// Every instanced vertex ends here.
void emit_vertex(vec3 world, vec3 n, vec4 albedo) {
  v_world = world;
  v_normal = n;
  v_albedo = albedo;
  v_depth = dot(vec4(world, 1.0), vs_c[VS_VIEW_DEPTH]);
  gl_Position = world_to_clip(world);
}
#endif

#ifdef PSH
in vec3 v_world;
in vec3 v_normal;
in vec4 v_albedo;
in float v_depth;
#endif
