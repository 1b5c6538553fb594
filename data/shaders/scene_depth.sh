// View depth / 512 of the scene at a screen position (0..1, row 0 at the
// top), from the quarter-resolution copy of the second geometry buffer
// bound at stage 9.
#ifdef PSH
uniform sampler2D tex9;
float scene_depth(vec2 uv) { return texture(tex9, uv).a; }
#endif
