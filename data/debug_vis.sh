#version 330 core
// Development overlay: vertex colours in world space. vs_c[0..3]: view x projection rows.
#ifdef VSH
layout(location = ATTR_POSITION) in vec3 pos;
layout(location = ATTR_COLOR0) in vec4 color;
out vec4 col;
void main() {
  gl_Position = pos.x * vs_c[0] + pos.y * vs_c[1] + pos.z * vs_c[2] + vs_c[3];
  col = color;
}
#endif
#ifdef PSH
in vec4 col;
out vec4 frag;
void main() { frag = col; }
#endif
