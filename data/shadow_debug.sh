#version 330 core
// Shadow tile overlay: screen-space quads with a colour.
#ifdef VSH
layout(location = ATTR_POSITION) in vec2 pos;
layout(location = ATTR_COLOR0) in vec4 color;
out vec4 v_color;
void main() {
  v_color = color;
  gl_Position = vec4(pos, 0.5, 1.0);
}
#endif
#ifdef PSH
in vec4 v_color;
out vec4 frag;
void main() { frag = v_color; }
#endif
