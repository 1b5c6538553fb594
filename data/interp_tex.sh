#version 330 core
// The frame's texture: previous + (current - previous) * f, f in ps_c[0].
#include "texture_pass.inc"
#ifdef PSH
uniform sampler2D tex0;
uniform sampler2D tex1;
in vec2 v_uv;
out vec4 color;
void main() { color = mix(texture(tex0, v_uv), texture(tex1, v_uv), ps_c[0]); }
#endif
