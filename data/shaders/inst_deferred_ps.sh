// Pixel stage shared by the deferred instanced shaders: albedo and glow,
// normal and view depth / 512 (vs_c[9] gives it), nothing in the third.
#ifdef PSH
in vec3 v_light;
in vec4 v_albedo;
in float v_fog;
in vec3 v_normal;
in float v_depth;
layout(location = 0) out vec4 g0;
layout(location = 1) out vec4 g1;
layout(location = 2) out vec4 g2;
void main() {
  g0 = vec4(v_albedo.rgb, 1.0 - v_albedo.a);
  g1 = vec4(normalize(v_normal) * 0.5 + 0.5, v_depth);
  g2 = vec4(0.0);
}
#endif
