#include "render/textures.h"
#include <epoxy/gl.h>
#include <cstring>
#include "core/allocator.h"
#include "core/debug.h"
#include "render/device.h"
#include "render/device_internal.h"
#include "render/render_state.h"

namespace {
Texture texture_table[MAX_TEXTURES];
GLuint samplers[MAX_TEXTURE_STAGES];
GLuint blit_fbos[2];  // read and draw framebuffers for copies

struct FormatInfo {
  GLenum internal;
  GLenum uploadFormat;
  GLenum uploadType;
  int bytesPerPixel;  // 0 for block-compressed formats
  int blockBytes;     // bytes of one 4x4 block
  GLint swizzle[4];
};

bool format_info(int format, FormatInfo* out) {
  FormatInfo f;
  switch (format) {
    case TEXFMT_ARGB8: f = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, 4, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}}; break;
    case TEXFMT_XRGB8: f = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, 4, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}}; break;
    case TEXFMT_L8: f = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1, 0, {GL_RED, GL_RED, GL_RED, GL_ONE}}; break;
    case TEXFMT_G16R16: f = {GL_RG16, GL_RG, GL_UNSIGNED_SHORT, 4, 0, {GL_RED, GL_GREEN, GL_ONE, GL_ONE}}; break;
    case TEXFMT_R16F: f = {GL_R16F, GL_RED, GL_HALF_FLOAT, 2, 0, {GL_RED, GL_ONE, GL_ONE, GL_ONE}}; break;
    case TEXFMT_G16R16F: f = {GL_RG16F, GL_RG, GL_HALF_FLOAT, 4, 0, {GL_RED, GL_GREEN, GL_ONE, GL_ONE}}; break;
    case TEXFMT_A16B16G16R16F: f = {GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT, 8, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}}; break;
    case TEXFMT_R32F: f = {GL_R32F, GL_RED, GL_FLOAT, 4, 0, {GL_RED, GL_ONE, GL_ONE, GL_ONE}}; break;
    case TEXFMT_G32R32F: f = {GL_RG32F, GL_RG, GL_FLOAT, 8, 0, {GL_RED, GL_GREEN, GL_ONE, GL_ONE}}; break;
    case TEXFMT_A32B32G32R32F: f = {GL_RGBA32F, GL_RGBA, GL_FLOAT, 16, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}}; break;
    case TEXFMT_DXT1: f = {GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 0, 0, 0, 8, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}}; break;
    case TEXFMT_DXT3: f = {GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 0, 0, 0, 16, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}}; break;
    case TEXFMT_DXT5: f = {GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, 0, 0, 16, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}}; break;
    default: return false;
  }
  *out = f;
  return true;
}

int level_size(int size, int level) {
  int s = size >> level;
  return s < 1 ? 1 : s;
}

// Bytes of one row of pixels (or of 4x4 blocks) and of the whole level.
void level_layout(const FormatInfo& f, int w, int h, int* pitch, int* bytes) {
  if (f.blockBytes) {
    int bw = (w + 3) / 4, bh = (h + 3) / 4;
    *pitch = (bw < 1 ? 1 : bw) * f.blockBytes;
    *bytes = *pitch * (bh < 1 ? 1 : bh);
  } else {
    *pitch = w * f.bytesPerPixel;
    *bytes = *pitch * h;
  }
}

// Creates the native texture of an entry from its recorded parameters.
GLenum create_native(Texture* t) {
  FormatInfo f;
  if (!format_info(t->format, &f)) return GL_INVALID_ENUM;
  take_gl_error();
  int w = texture_width(t), h = texture_height(t);
  GLuint tex = 0;
  glGenTextures(1, &tex);
  glBindTexture(GL_TEXTURE_2D, tex);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, t->levels - 1);
  glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, f.swizzle);
  for (int level = 0; level < t->levels; level++) {
    int lw = level_size(w, level), lh = level_size(h, level);
    if (f.blockBytes) {
      int pitch, bytes;
      level_layout(f, lw, lh, &pitch, &bytes);
      glCompressedTexImage2D(GL_TEXTURE_2D, level, f.internal, lw, lh, 0, bytes, nullptr);
    } else {
      glTexImage2D(GL_TEXTURE_2D, level, GLint(f.internal), lw, lh, 0, f.uploadFormat, f.uploadType, nullptr);
    }
  }
  GLenum err = take_gl_error();
  if (err) {
    glDeleteTextures(1, &tex);
    return err;
  }
  t->glTexture = tex;
  return 0;
}

void release_native(Texture* t) {
  if (t->glTexture) glDeleteTextures(1, &t->glTexture);
  t->glTexture = 0;
}

void rebind_current_target() {
  glBindFramebuffer(GL_FRAMEBUFFER,
                    device_gl.targetIsBackBuffer ? device_gl.backBufferFbo : device_gl.targetFbo);
}

// Copies a framebuffer's colour into level 0 of a texture, stretching.
bool blit_into(GLuint read_fbo, int src_w, int src_h, Texture* to) {
  if (!to->glTexture) return false;
  if (!blit_fbos[1]) glGenFramebuffers(2, blit_fbos);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, blit_fbos[1]);
  glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, to->glTexture, 0);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, read_fbo);
  bool ok = glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE &&
            glCheckFramebufferStatus(GL_READ_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  if (ok) {
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glBlitFramebuffer(0, 0, src_w, src_h, 0, 0, texture_width(to), texture_height(to),
                      GL_COLOR_BUFFER_BIT, GL_NEAREST);
    reapply_color_write_mask();
  }
  glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
  rebind_current_target();
  return ok && take_gl_error() == 0;
}
}  // namespace

int scene_render_scale = 100;

static int scaled(int size) {
  int s = scene_render_scale < SCENE_SCALE_MIN ? SCENE_SCALE_MIN : (scene_render_scale > 100 ? 100 : scene_render_scale);
  int v = (size * s + 50) / 100;
  return v > 0 ? v : 1;
}
int scene_width() { return scaled(d3d_wd); }
int scene_height() { return scaled(d3d_ht); }

int texture_width(const Texture* t) { return t->width == 0 && t->height == 0 ? scene_width() : t->width; }
int texture_height(const Texture* t) { return t->width == 0 && t->height == 0 ? scene_height() : t->height; }

Texture* create_texture(int width, int height, int levels, int usage, int format, int memory) {
  Texture* t = nullptr;
  for (Texture& e : texture_table)
    if (!e.inUse) {
      t = &e;
      break;
    }
  if (!t) {
    debug("reached MAX_TEXTURES");
    return nullptr;
  }
  *t = Texture{};
  t->width = width;
  t->height = height;
  t->levels = levels < 1 ? 1 : levels;
  t->usage = usage;
  t->format = format;
  t->memory = memory;
  t->lockedLevel = -1;
  GLenum err = create_native(t);
  if (err) {
    debug("error creating texture (code 0x%08X)", err);
    return nullptr;
  }
  t->inUse = true;
  return t;
}

Texture* create_dynamic_texture(int w, int h) {
  return create_texture(w, h, 1, TEXUSAGE_DYNAMIC, TEXFMT_ARGB8, TEXMEM_DEVICE);
}
Texture* create_managed_texture(int w, int h) {
  return create_texture(w, h, 1, TEXUSAGE_NONE, TEXFMT_ARGB8, TEXMEM_MANAGED);
}
Texture* create_render_texture(int w, int h, int format) {
  return create_texture(w, h, 1, TEXUSAGE_RENDER_TARGET, format, TEXMEM_DEVICE);
}
Texture* create_scene_texture() { return create_render_texture(0, 0, TEXFMT_ARGB8); }

void release_texture(Texture* t) {
  if (!t) return;
  release_native(t);
  if (t->staging) dlfree(t->staging);
  t->staging = nullptr;
  t->stagingSize = 0;
  t->lockedLevel = -1;
  t->inUse = false;
}

uint8_t* lock_texture(Texture* t, int* pitch, bool discard) { return lock_texture_level(t, 0, pitch, discard); }

uint8_t* lock_texture_level(Texture* t, int level, int* pitch, bool discard) {
  FormatInfo f;
  if (!t || !t->glTexture || level >= t->levels || t->lockedLevel >= 0 || !format_info(t->format, &f)) {
    debug("error locking texture (code 0x%08X)", unsigned(GL_INVALID_OPERATION));
    return nullptr;
  }
  int w = level_size(texture_width(t), level), h = level_size(texture_height(t), level);
  int bytes;
  level_layout(f, w, h, pitch, &bytes);
  // The staging copy is kept, so textures locked every frame allocate once.
  if (t->stagingSize < bytes) {
    uint8_t* p = (uint8_t*)dlrealloc(t->staging, size_t(bytes));
    if (!p) {
      debug("error locking texture (code 0x%08X)", unsigned(GL_OUT_OF_MEMORY));
      return nullptr;
    }
    t->staging = p;
    t->stagingSize = bytes;
  }
  if (!discard) {
    glBindTexture(GL_TEXTURE_2D, t->glTexture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (f.blockBytes)
      glGetCompressedTexImage(GL_TEXTURE_2D, level, t->staging);
    else
      glGetTexImage(GL_TEXTURE_2D, level, f.uploadFormat, f.uploadType, t->staging);
  }
  t->lockedLevel = level;
  return t->staging;
}

void unlock_texture(Texture* t) {
  FormatInfo f;
  if (!t || t->lockedLevel < 0 || !format_info(t->format, &f)) return;
  int level = t->lockedLevel;
  int w = level_size(texture_width(t), level), h = level_size(texture_height(t), level);
  int pitch, bytes;
  level_layout(f, w, h, &pitch, &bytes);
  glBindTexture(GL_TEXTURE_2D, t->glTexture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  if (f.blockBytes)
    glCompressedTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, w, h, f.internal, bytes, t->staging);
  else
    glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, w, h, f.uploadFormat, f.uploadType, t->staging);
  t->lockedLevel = -1;
}

bool write_texture_rect(Texture* t, int x, int y, int w, int h, const void* pixels, int row_pixels) {
  FormatInfo f;
  if (!t || !t->glTexture || !format_info(t->format, &f) || f.blockBytes || x < 0 || y < 0 || w <= 0 || h <= 0 ||
      x + w > texture_width(t) || y + h > texture_height(t))
    return false;
  glBindTexture(GL_TEXTURE_2D, t->glTexture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, row_pixels);
  glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, w, h, f.uploadFormat, f.uploadType, pixels);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  return true;
}

void set_texture(int stage, Texture* t) {
  if (stage < 0 || stage >= MAX_TEXTURE_STAGES) return;
  glActiveTexture(GL_TEXTURE0 + stage);
  glBindTexture(GL_TEXTURE_2D, t ? t->glTexture : 0);
  glActiveTexture(GL_TEXTURE0);
}

void set_texture_filter(int stage, bool linear) {
  if (stage < 0 || stage >= MAX_TEXTURE_STAGES || !samplers[stage]) return;
  glSamplerParameteri(samplers[stage], GL_TEXTURE_MIN_FILTER, linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_NEAREST);
  glSamplerParameteri(samplers[stage], GL_TEXTURE_MAG_FILTER, linear ? GL_LINEAR : GL_NEAREST);
}

static GLint address_mode(int code) {
  if (code == 0) return GL_REPEAT;
  if (code == 2) return GL_CLAMP_TO_BORDER;
  return GL_CLAMP_TO_EDGE;
}

void set_texture_address(int stage, int u, int v, int w) {
  if (stage < 0 || stage >= MAX_TEXTURE_STAGES || !samplers[stage]) return;
  if (v < 0) v = u;
  if (w < 0) w = v;
  glSamplerParameteri(samplers[stage], GL_TEXTURE_WRAP_S, address_mode(u));
  glSamplerParameteri(samplers[stage], GL_TEXTURE_WRAP_T, address_mode(v));
  glSamplerParameteri(samplers[stage], GL_TEXTURE_WRAP_R, address_mode(w));
}

void reset_sampler_defaults() {
  if (!samplers[0]) glGenSamplers(MAX_TEXTURE_STAGES, samplers);
  for (int i = 0; i < MAX_TEXTURE_STAGES; i++) {
    glBindSampler(GLuint(i), samplers[i]);
    set_texture_filter(i, true);
    set_texture_address(i, 1, -1, -1);
  }
}

void release_samplers() {
  if (samplers[0]) glDeleteSamplers(MAX_TEXTURE_STAGES, samplers);
  memset(samplers, 0, sizeof(samplers));
  if (blit_fbos[0]) glDeleteFramebuffers(2, blit_fbos);
  blit_fbos[0] = blit_fbos[1] = 0;
}

void set_render_target(Texture* t, int index, bool scene_depth) {
  if (index < 0 || index > 3) return;
  if (device_gl.targetIsBackBuffer) {
    // Leaving the back buffer: the texture target starts without colour.
    glBindFramebuffer(GL_FRAMEBUFFER, device_gl.targetFbo);
    for (int i = 0; i < 4; i++)
      glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + i, GL_TEXTURE_2D, 0, 0);
    device_gl.targetIsBackBuffer = false;
  }
  glBindFramebuffer(GL_FRAMEBUFFER, device_gl.targetFbo);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + index, GL_TEXTURE_2D, t ? t->glTexture : 0, 0);
  if (t && index == 0) {
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                              scene_depth ? device_gl.sceneDepth : 0);
    glViewport(0, 0, texture_width(t), texture_height(t));
  }
  // Draw into every attached colour target.
  GLenum bufs[4];
  int n = 0;
  for (int i = 0; i < 4; i++) {
    GLint type = GL_NONE;
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + i,
                                          GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &type);
    bufs[i] = type == GL_NONE ? GL_NONE : GLenum(GL_COLOR_ATTACHMENT0 + i);
    if (type != GL_NONE) n = i + 1;
  }
  glDrawBuffers(n ? n : 1, bufs);
}

void set_render_targets(Texture* const color[4], bool scene_depth) {
  glBindFramebuffer(GL_FRAMEBUFFER, device_gl.targetFbo);
  device_gl.targetIsBackBuffer = false;
  GLenum bufs[4];
  int n = 0;
  for (int i = 0; i < 4; i++) {
    GLuint tex = color[i] ? color[i]->glTexture : 0;
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + i, GL_TEXTURE_2D, tex, 0);
    bufs[i] = tex ? GLenum(GL_COLOR_ATTACHMENT0 + i) : GL_NONE;
    if (tex) n = i + 1;
  }
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                            scene_depth ? device_gl.sceneDepth : 0);
  if (color[0]) glViewport(0, 0, texture_width(color[0]), texture_height(color[0]));
  glDrawBuffers(n ? n : 1, bufs);
}

void set_back_buffer_target() {
  glBindFramebuffer(GL_FRAMEBUFFER, device_gl.backBufferFbo);
  device_gl.targetIsBackBuffer = true;
  glViewport(0, 0, d3d_wd, d3d_ht);
}

void copy_texture(Texture* fromTex, Texture* toTex) {
  ASSERT(fromTex);
  ASSERT(toTex);
  if (!fromTex->glTexture) return;
  if (!blit_fbos[0]) glGenFramebuffers(2, blit_fbos);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, blit_fbos[0]);
  glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, fromTex->glTexture, 0);
  blit_into(blit_fbos[0], texture_width(fromTex), texture_height(fromTex), toTex);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, blit_fbos[0]);
  glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
  rebind_current_target();
}

bool grab_back_buffer(Texture* t) {
  if (!t || !d3d_device_exists()) return false;
  return blit_into(device_gl.backBufferFbo, d3d_wd, d3d_ht, t);
}

bool read_texture_pixels(Texture* t, uint32_t* out) {
  if (!t || !t->glTexture) return false;
  if (t->format != TEXFMT_ARGB8 && t->format != TEXFMT_XRGB8) return false;
  // The software rasteriser can hand out a texture drawn into a moment ago
  // before its drawing is done; wait for it.
  glFinish();
  glBindTexture(GL_TEXTURE_2D, t->glTexture);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, out);
  return take_gl_error() == 0;
}

void read_back_buffer_pixels(uint32_t* out) {
  glBindFramebuffer(GL_READ_FRAMEBUFFER, device_gl.backBufferFbo);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, d3d_wd, d3d_ht, GL_BGRA, GL_UNSIGNED_BYTE, out);
  rebind_current_target();
}

static int textures_generation = 0;
int device_textures_generation() { return textures_generation; }

void recreate_device_textures() {
  textures_generation++;
  for (Texture& t : texture_table) {
    if (!t.inUse || t.memory != TEXMEM_DEVICE) continue;
    release_native(&t);
    t.lockedLevel = -1;
    GLenum err = create_native(&t);
    if (err) debug("error recreating texture (code 0x%08X)", err);
  }
}

void release_all_textures() {
  for (Texture& t : texture_table)
    if (t.inUse) release_texture(&t);
  release_samplers();
}

void unbind_texture_stages() {
  for (int i = 0; i < MAX_TEXTURE_STAGES; i++) set_texture(i, nullptr);
}

int count_used_textures() {
  int n = 0;
  for (const Texture& t : texture_table) n += t.inUse;
  return n;
}
