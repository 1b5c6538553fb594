#include "render/scene_image.h"
#include <epoxy/gl.h>
#include "render/device.h"
#include "render/device_internal.h"
#include "render/render_state.h"
#include "render/textures.h"

Texture* scene_image = nullptr;

bool create_scene_image() {
  scene_image = create_scene_texture();
  return scene_image != nullptr;
}

void release_scene_image() {
  release_texture(scene_image);
  scene_image = nullptr;
}

void draw_texture_over_back_buffer(Texture* tex) {
  if (!tex || !tex->glTexture) return;
  GLuint fbo = 0;
  glGenFramebuffers(1, &fbo);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
  glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, tex->glTexture, 0);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, device_gl.backBufferFbo);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glBlitFramebuffer(0, 0, texture_width(tex), texture_height(tex), 0, 0, d3d_wd, d3d_ht, GL_COLOR_BUFFER_BIT,
                    GL_LINEAR);
  reapply_color_write_mask();
  glDeleteFramebuffers(1, &fbo);
  glBindFramebuffer(GL_FRAMEBUFFER, device_gl.targetIsBackBuffer ? device_gl.backBufferFbo : device_gl.targetFbo);
}
