#pragma once
// A pass's whole fixed-function state in one value, applied with one call,
// as pipeline objects bundle it: where it draws, blending, depth test and
// write, culling, stencil, colour mask, fill and alpha test. Every pass
// applies its own value before it draws, so nothing it draws depends on what
// the pass before it left.
//
// apply_draw_state sends GL only the parts that differ from the value it
// applied last; that value is tracked here and nowhere else.
#include <cstdint>

struct Texture;

enum class Blend : uint8_t {
  none,
  additive,    // src + dst
  smooth_add,  // src + dst * (1 - src colour)
  alpha,       // src * src alpha + dst * (1 - src alpha)
  prealpha,    // src + dst * (1 - src alpha)
  multiply,    // src * dst colour
  // Alpha blending into target 0 only, keeping its alpha; the other targets
  // are written as they are (a surface drawn over a G-buffer).
  first_target_alpha,
};

enum class Compare : uint8_t { never = 1, less, equal, less_equal, greater, not_equal, greater_equal, always };

// Where a pass draws.
struct RenderTargets {
  enum Kind : uint8_t {
    // Wherever the caller pointed the device: drawing that serves several
    // targets (interface batches drawn onto the back buffer, or into a
    // texture by a test or a tool).
    callers,
    back_buffer,
    textures,  // color (null: none) and, when scene_depth, the scene's depth and stencil
  };
  Kind kind = callers;
  Texture* color[4] = {};
  bool scene_depth = false;
};

RenderTargets to_back_buffer();
RenderTargets to_texture(Texture* color, bool scene_depth = false);
RenderTargets to_textures(Texture* c0, Texture* c1, Texture* c2, bool scene_depth);

struct DrawState {
  RenderTargets targets;
  Blend blend = Blend::none;
  bool depth_test = false;  // less or equal
  bool depth_write = false;
  bool cull = false;          // drops faces turned away (clockwise ones on screen)
  uint8_t color_mask = 15;    // bit 0 red, 1 green, 2 blue, 3 alpha
  // The stencil test passes where (stored & stencil_read) compares with
  // (stencil_ref & stencil_read); no test when stencil_read is 0. Where a
  // pixel is drawn, the stencil_write bits take stencil_ref's.
  uint8_t stencil_read = 0;
  uint8_t stencil_ref = 0;
  Compare stencil_func = Compare::always;
  uint8_t stencil_write = 0;
  bool wireframe = false;
  // Pixels pass when alpha * 255 >= alpha_test; 0: no test. Pixel shaders
  // apply it with ALPHA_TEST(colour).
  uint8_t alpha_test = 0;
};

// Named states. Passes start from one and change what is theirs.
namespace draw_states {
// Full-screen and texture passes: no depth, no culling, nothing blended.
constexpr DrawState PLAIN = {};
// The world's geometry: depth tested and written. Nothing is culled: some
// of its meshes show faces turned away from the camera.
constexpr DrawState GEOMETRY = {.targets = {}, .depth_test = true, .depth_write = true};
// Interface drawing onto whatever the caller chose: premultiplied colour
// (GUI, icons, distance-field text) or plain alpha (the bitmap font).
constexpr DrawState OVERLAY_PREALPHA = {.targets = {}, .blend = Blend::prealpha};
constexpr DrawState OVERLAY_ALPHA = {.targets = {}, .blend = Blend::alpha};
}  // namespace draw_states

void apply_draw_state(const DrawState& state);

// Device internals: forgets what GL holds and applies the default state (a
// new device, or GL state changed behind the tracker's back); puts back
// the tracked colour mask after a blit that needed all channels.
void reset_draw_state();
void reapply_color_write_mask();
float get_alpha_test_ref();  // -1 when off, else ref / 255
