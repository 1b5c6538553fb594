// Pixel stage of the deferred instanced shaders: the G-buffers.
#ifdef PSH
layout(location = 0) out vec4 g0;
layout(location = 1) out vec4 g1;
layout(location = 2) out vec4 g2;
void main() {
  g0 = vec4(v_albedo.rgb, 1.0 - v_albedo.a);
  g1 = gbuffer_normal_depth(normalize(v_normal), v_depth);
  g2 = vec4(1.0, 1.0, 0.0, 0.0);
}
#endif
