// Pixel stage of the forward instanced shaders: lit, glowing parts shown
// as they are, then the air's haze.
#ifdef PSH
out vec4 colour;
void main() {
  vec3 n = normalize(v_normal);
  vec3 lit = scene_light(v_albedo.rgb, n, 1.0, 1.0);
  colour = vec4(scene_haze(mix(lit, v_albedo.rgb, 1.0 - v_albedo.a), v_world), 1.0);
}
#endif
