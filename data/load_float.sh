#version 330 core
// One point per cell: the value into a float texture.
#ifdef VSH
layout(location = ATTR_POSITION) in vec2 cell;
layout(location = ATTR_TEXCOORD0) in float value;
flat out float v_value;
void main() {
  // vs_c[16] maps cell (x, z) to clip space; the point sits on the texel's centre.
  gl_Position = vec4((cell + 0.5) * vs_c[16].xy + vs_c[16].zw, 0.0, 1.0);
  gl_PointSize = 1.0;
  v_value = value;
}
#endif
#ifdef PSH
flat in float v_value;
out vec4 color;
void main() { color = vec4(v_value); }
#endif
