#version 330 core
// The scene image as it is.
#include "postfx_quad.inc"
#ifdef VSH
void main() { quad_vertex(); }
#endif
#ifdef PSH
uniform sampler2D tex0;
out vec4 colour;
void main() { colour = vec4(texture(tex0, uv).rgb, 1.0); }
#endif
