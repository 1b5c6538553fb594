#version 330 core
// One point per cell: the packed colour into a colour texture.
#ifdef VSH
layout(location = ATTR_POSITION) in vec2 cell;
layout(location = ATTR_COLOR0) in vec4 value;
flat out vec4 v_value;
void main() {
  gl_Position = vec4((cell + 0.5) * vs_c[16].xy + vs_c[16].zw, 0.0, 1.0);
  gl_PointSize = 1.0;
  v_value = value;
}
#endif
#ifdef PSH
flat in vec4 v_value;
out vec4 color;
void main() { color = v_value; }
#endif
