// Shared by the instanced object shaders.
//
// Vertex constants: vs_c[0..3] view x projection rows (row vectors),
// vs_c[4] camera position, vs_c[8].x fog on, vs_c[9] view depth / 512,
// vs_c[30] direction towards the sun. Per-instance rotation-and-scale rows arrive as packed colours:
// row = (rgb * 2 - 1) * a * INST_ROW_SCALE.
#define INST_ROW_SCALE 8.0

#ifdef VSH
vec4 to_clip(vec3 p) { return p.x * vs_c[0] + p.y * vs_c[1] + p.z * vs_c[2] + vs_c[3]; }
vec3 unpack_row(vec4 c) { return (c.rgb * 2.0 - 1.0) * (c.a * INST_ROW_SCALE); }
vec3 unpack_normal(vec4 c) { return c.xyz * 2.0 - 1.0; }

// Sun and sky light on a facet; the sun's height warms and dims it.
vec3 object_light(vec3 n) {
  vec3 sun = normalize(vs_c[30].xyz);
  float day = clamp(sun.y * 3.0 + 0.15, 0.0, 1.0);
  vec3 sun_col = mix(vec3(1.0, 0.55, 0.3), vec3(1.05, 1.0, 0.92), clamp(sun.y * 2.0, 0.0, 1.0)) * day;
  vec3 sky = mix(vec3(0.16, 0.16, 0.24), vec3(0.42, 0.46, 0.56), day);
  float hemi = n.y * 0.5 + 0.5;
  return sun_col * max(dot(n, sun), 0.0) + sky * (0.55 + 0.45 * hemi);
}

// Fraction of the fog colour at a world position.
float object_fog(vec3 p) {
  float d = length(p.xz - vs_c[4].xz);
  return vs_c[8].x * clamp((d - 60.0) / 140.0, 0.0, 0.85);
}

out vec3 v_light;
out vec4 v_albedo;
out float v_fog;
out vec3 v_normal;
out float v_depth;
// Every instanced vertex ends here: the forward stage reads light, colour
// and fog, the deferred one colour, normal and view depth / 512 (vs_c[9]).
void emit_vertex(vec3 world, vec3 n, vec4 albedo) {
  v_light = object_light(n);
  v_albedo = albedo;
  v_fog = object_fog(world);
  v_normal = n;
  v_depth = dot(vec4(world, 1.0), vs_c[9]);
  gl_Position = to_clip(world);
}
#endif

#ifdef PSH
// Alpha below 1 marks glowing parts: they add their own colour.
vec3 object_color(vec3 light, vec4 albedo) { return albedo.rgb * light + albedo.rgb * (1.0 - albedo.a) * 1.6; }
#endif
