#include "render/scene_targets.h"
#include "core/debug.h"
#include "render/device.h"
#include "render/textures.h"

Texture* gbuffer[GBUFFER_COUNT] = {};
Texture* low_res_textures[LOW_RES_COUNT] = {};
Texture* fp_blend_texture = nullptr;

void create_postfx_textures() {
  for (Texture*& t : gbuffer) {
    t = create_scene_texture();
    if (!t) fatal("can't create textures for post-effect");
  }
  if (check_fp_blending(TEXFMT_A16B16G16R16F)) {
    fp_blend_texture = create_render_texture(0, 0, TEXFMT_A16B16G16R16F);
    if (fp_blend_texture) debug("using FP blending for effects!");
  }
}

void release_postfx_textures() {
  for (Texture*& t : gbuffer) {
    release_texture(t);
    t = nullptr;
  }
  release_texture(fp_blend_texture);
  fp_blend_texture = nullptr;
}

void create_low_res_textures() {
  release_low_res_textures();
  for (Texture*& t : low_res_textures) {
    // A size of 0 would mean "follow the back buffer": tiny windows get 1.
    int w = scene_width() / 4 > 0 ? scene_width() / 4 : 1, h = scene_height() / 4 > 0 ? scene_height() / 4 : 1;
    t = create_render_texture(w, h, TEXFMT_ARGB8);
    if (!t) fatal("Can't create low-resolution scene textures");
  }
}

void release_low_res_textures() {
  for (Texture*& t : low_res_textures) {
    release_texture(t);
    t = nullptr;
  }
}

void set_scene_render_scale(int percent) {
  percent = percent < SCENE_SCALE_MIN ? SCENE_SCALE_MIN : (percent > 100 ? 100 : percent);
  if (percent == scene_render_scale) return;
  scene_render_scale = percent;
  if (d3d_device_exists()) reset_d3d(0, 0, isFullscreen, true);
}
