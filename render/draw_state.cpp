#include "render/draw_state.h"
#include <epoxy/gl.h>
#include "render/textures.h"

namespace {
DrawState applied;
bool applied_known = false;  // false: GL's state is unknown, send everything

void apply_targets(const RenderTargets& t) {
  switch (t.kind) {
    case RenderTargets::callers: break;
    case RenderTargets::back_buffer: set_back_buffer_target(); break;
    case RenderTargets::textures: set_render_targets(t.color, t.scene_depth); break;
  }
}

void blend_func(GLenum src, GLenum dst) {
  glEnable(GL_BLEND);
  glBlendEquation(GL_FUNC_ADD);
  glBlendFunc(src, dst);
}

void apply_blend(Blend b) {
  switch (b) {
    case Blend::none: glDisable(GL_BLEND); break;
    case Blend::additive: blend_func(GL_ONE, GL_ONE); break;
    case Blend::smooth_add: blend_func(GL_ONE, GL_ONE_MINUS_SRC_COLOR); break;
    case Blend::alpha: blend_func(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); break;
    case Blend::prealpha: blend_func(GL_ONE, GL_ONE_MINUS_SRC_ALPHA); break;
    case Blend::multiply: blend_func(GL_DST_COLOR, GL_ZERO); break;
    case Blend::first_target_alpha:
      blend_func(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      for (GLuint i = 1; i < 4; i++) glDisablei(GL_BLEND, i);
      break;
  }
}

// Target 0 keeps its alpha under first_target_alpha.
void apply_color_mask(int mask, Blend b) {
  glColorMask((mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, (mask & 8) != 0);
  if (b == Blend::first_target_alpha) glColorMaski(0, (mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, GL_FALSE);
}

void apply_cull(bool on) {
  // The back buffer and every target keep row 0 at the top, so window
  // coordinates run like screen coordinates and the faces to cull are GL's
  // clockwise ones.
  if (on) {
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glCullFace(GL_BACK);
  } else {
    glDisable(GL_CULL_FACE);
  }
}

void apply_depth_test(bool on) {
  if (on) {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
  } else {
    glDisable(GL_DEPTH_TEST);
  }
}

GLenum compare_func(Compare c) {
  static const GLenum funcs[9] = {GL_ALWAYS, GL_NEVER, GL_LESS, GL_EQUAL, GL_LEQUAL,
                                  GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
  int i = int(c);
  return i >= 1 && i <= 8 ? funcs[i] : GL_ALWAYS;
}

void apply_stencil_test(const DrawState& s) {
  if (!s.stencil_read) {
    glDisable(GL_STENCIL_TEST);
    return;
  }
  glEnable(GL_STENCIL_TEST);
  glStencilFunc(compare_func(s.stencil_func), s.stencil_ref, s.stencil_read);
}

void apply_stencil_write(uint8_t bits) {
  glStencilMask(bits);
  glStencilOp(GL_KEEP, GL_KEEP, bits ? GL_REPLACE : GL_KEEP);
}
}  // namespace

RenderTargets to_back_buffer() {
  RenderTargets t;
  t.kind = RenderTargets::back_buffer;
  return t;
}

RenderTargets to_texture(Texture* color, bool scene_depth) { return to_textures(color, nullptr, nullptr, scene_depth); }

RenderTargets to_textures(Texture* c0, Texture* c1, Texture* c2, bool scene_depth) {
  RenderTargets t;
  t.kind = RenderTargets::textures;
  t.color[0] = c0;
  t.color[1] = c1;
  t.color[2] = c2;
  t.scene_depth = scene_depth;
  return t;
}

void apply_draw_state(const DrawState& s) {
  // Targets are not compared: the device may have been pointed elsewhere
  // since (a copy, a screenshot, a caller's own target).
  apply_targets(s.targets);
  const bool all = !applied_known;
  const DrawState& a = applied;
  if (all || s.blend != a.blend) apply_blend(s.blend);
  bool first_target_changed = (s.blend == Blend::first_target_alpha) != (a.blend == Blend::first_target_alpha);
  if (all || s.color_mask != a.color_mask || first_target_changed) apply_color_mask(s.color_mask, s.blend);
  if (all || s.depth_test != a.depth_test) apply_depth_test(s.depth_test);
  if (all || s.depth_write != a.depth_write) glDepthMask(s.depth_write ? GL_TRUE : GL_FALSE);
  if (all || s.cull != a.cull) apply_cull(s.cull);
  if (all || s.stencil_read != a.stencil_read || s.stencil_ref != a.stencil_ref || s.stencil_func != a.stencil_func)
    apply_stencil_test(s);
  if (all || s.stencil_write != a.stencil_write) apply_stencil_write(s.stencil_write);
  if (all || s.wireframe != a.wireframe) glPolygonMode(GL_FRONT_AND_BACK, s.wireframe ? GL_LINE : GL_FILL);
  applied = s;
  applied_known = true;
}

void reset_draw_state() {
  applied_known = false;
  apply_draw_state(DrawState{});
  glDisable(GL_SCISSOR_TEST);
}

void reapply_color_write_mask() { apply_color_mask(applied.color_mask, applied.blend); }

float get_alpha_test_ref() { return applied.alpha_test ? float(applied.alpha_test) / 255.f : -1.f; }
