// Pixel stage shared by the forward instanced shaders.
#ifdef PSH
in vec3 v_light;
in vec4 v_albedo;
in float v_fog;
out vec4 frag;
void main() {
  vec3 c = object_color(v_light, v_albedo);
  frag = vec4(mix(c, vec3(0.62, 0.68, 0.78), v_fog), 1.0);
  ALPHA_TEST(frag);
}
#endif
