#include "render/device.h"
#include <SDL2/SDL.h>
#include <epoxy/gl.h>
#include "core/debug.h"
#include "render/buffers.h"
#include "render/device_internal.h"
#include "render/draw.h"
#include "render/render_options.h"
#include "render/render_state.h"
#include "render/shaders.h"
#include "render/textures.h"
#include "render/vertex_decl.h"

int d3d_wd = 0, d3d_ht = 0;
bool isFullscreen = false;
bool d3d_limit_buffered_frames = true;
DeviceGL device_gl = {};

namespace {
SDL_Window* device_window = nullptr;
SDL_GLContext device_context = nullptr;
// End-of-frame markers used as a ring: frame n + 2 may start only when the
// GPU has finished frame n.
GLsync frame_markers[2] = {};
int marker_pos = 0;
bool markers_created = false;
bool flush_query = false;
DeviceResetHook reset_hook = nullptr;
bool device_lost = false;
bool device_resettable = false;
int fullscreen_w = 0, fullscreen_h = 0;  // 0 x 0: the desktop's own mode

const char* mode_text(bool fullscreen) { return fullscreen ? "fullscreen" : "windowed"; }

void release_markers() {
  for (GLsync& m : frame_markers) {
    if (m) glDeleteSync(m);
    m = nullptr;
  }
  markers_created = false;
}

void create_markers() {
  // Issued at once, so the first two frames never wait.
  for (GLsync& m : frame_markers) m = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
  marker_pos = 0;
  markers_created = true;
}

bool create_back_buffer() {
  glGenRenderbuffers(1, &device_gl.backBufferColor);
  glBindRenderbuffer(GL_RENDERBUFFER, device_gl.backBufferColor);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, d3d_wd, d3d_ht);
  glGenFramebuffers(1, &device_gl.backBufferFbo);
  glBindFramebuffer(GL_FRAMEBUFFER, device_gl.backBufferFbo);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                            device_gl.backBufferColor);
  return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

void release_back_buffer() {
  if (device_gl.backBufferFbo) glDeleteFramebuffers(1, &device_gl.backBufferFbo);
  if (device_gl.backBufferColor) glDeleteRenderbuffers(1, &device_gl.backBufferColor);
  device_gl.backBufferFbo = device_gl.backBufferColor = 0;
}

bool create_scene_depth() {
  glGenRenderbuffers(1, &device_gl.sceneDepth);
  glBindRenderbuffer(GL_RENDERBUFFER, device_gl.sceneDepth);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, d3d_wd, d3d_ht);
  return take_gl_error() == 0;
}

void release_scene_depth() {
  if (device_gl.sceneDepth) glDeleteRenderbuffers(1, &device_gl.sceneDepth);
  device_gl.sceneDepth = 0;
}

int window_display() {
  int display = device_window ? SDL_GetWindowDisplayIndex(device_window) : 0;
  return display < 0 ? 0 : display;
}

// The display's modes with a size (the headless driver lists one without),
// one per size: SDL lists them largest first, a size once per refresh rate
// and pixel format, the best first. index counts sizes; false past the last.
bool get_display_mode(int index, SDL_DisplayMode* out) {
  int display = window_display();
  int n = SDL_GetNumDisplayModes(display), seen = -1, last_w = 0, last_h = 0;
  for (int i = 0; i < n; i++) {
    SDL_DisplayMode mode;
    if (SDL_GetDisplayMode(display, i, &mode) != 0 || mode.w <= 0 || mode.h <= 0 ||
        (mode.w == last_w && mode.h == last_h))
      continue;
    last_w = mode.w;
    last_h = mode.h;
    if (++seen == index) {
      *out = mode;
      return true;
    }
  }
  return false;
}

// Sizes the window's presentation to the mode: fullscreen takes the
// display's own size, or switches the display to the chosen mode.
void apply_window_mode(bool fullscreen, int* w, int* h) {
  if (!device_window) return;
  SDL_DisplayMode mode;
  bool own_mode = false;
  if (fullscreen && fullscreen_w > 0) {
    for (int i = 0; !own_mode && get_display_mode(i, &mode); i++)
      own_mode = mode.w == fullscreen_w && mode.h == fullscreen_h;
    if (!own_mode) debug("the display has no %dx%d mode: fullscreen at the desktop's size", fullscreen_w, fullscreen_h);
  }
  Uint32 kind = !fullscreen ? 0 : own_mode ? SDL_WINDOW_FULLSCREEN : SDL_WINDOW_FULLSCREEN_DESKTOP;
  if (own_mode) SDL_SetWindowDisplayMode(device_window, &mode);
  if ((SDL_GetWindowFlags(device_window) & SDL_WINDOW_FULLSCREEN_DESKTOP) != kind)
    SDL_SetWindowFullscreen(device_window, kind);
  if (own_mode) {
    *w = mode.w;
    *h = mode.h;
  } else if (fullscreen && SDL_GetDesktopDisplayMode(window_display(), &mode) == 0) {
    *w = mode.w;
    *h = mode.h;
  }
  SDL_GL_SetSwapInterval(app_use_vsync ? 1 : 0);
}
}  // namespace

unsigned take_gl_error() {
  unsigned first = 0;
  for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError())
    if (!first) first = e;
  return first;
}

void set_device_window_attributes() {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  // The window itself only receives the flipped back buffer.
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
}

bool d3d_device_exists() { return device_context != nullptr; }

void set_device_reset_hook(DeviceResetHook hook) { reset_hook = hook; }

int get_fullscreen_size_count() {
  SDL_DisplayMode mode;
  int count = 0;
  while (get_display_mode(count, &mode)) count++;
  return count;
}

bool get_fullscreen_size(int index, int* width, int* height) {
  SDL_DisplayMode mode;
  if (!get_display_mode(index, &mode)) return false;
  *width = mode.w;
  *height = mode.h;
  return true;
}

void set_fullscreen_display_size(int width, int height) {
  fullscreen_w = width > 0 && height > 0 ? width : 0;
  fullscreen_h = width > 0 && height > 0 ? height : 0;
}

bool init_d3d(SDL_Window* window, int width, int height) {
  close_d3d();
  device_context = SDL_GL_CreateContext(window);
  if (!device_context) {
    debug("can't create OpenGL 3.3 core context: %s", SDL_GetError());
    return false;
  }
  device_window = window;
  SDL_GL_MakeCurrent(window, device_context);
  if (epoxy_gl_version() < 33) {
    debug("OpenGL 3.3 is required, the driver gives %d.%d", epoxy_gl_version() / 10,
          epoxy_gl_version() % 10);
    close_d3d();
    return false;
  }
  debug("OpenGL %s on %s", (const char*)glGetString(GL_VERSION), (const char*)glGetString(GL_RENDERER));
  apply_window_mode(isFullscreen, &width, &height);
  d3d_wd = width;
  d3d_ht = height;

  glGenVertexArrays(1, &device_gl.vao);
  glBindVertexArray(device_gl.vao);
  glGenFramebuffers(1, &device_gl.targetFbo);
  if (!create_back_buffer()) {
    debug("failed to create the back buffer (code 0x%08X)", take_gl_error());
    close_d3d();
    return false;
  }
  if (!create_scene_depth()) {
    debug("failed to create scene depth surface (code 0x%08X)", take_gl_error());
    close_d3d();
    return false;
  }
  create_markers();
  flush_query = true;
  reset_sampler_defaults();
  init_draw_state();
  reset_draw_state();
  set_back_buffer_target();
  load_shader_compiler();
  device_lost = false;
  debug("init OpenGL ok (%dx%d)", d3d_wd, d3d_ht);
  return true;
}

bool reset_d3d(int width, int height, bool fullscreen, bool force) {
  if (!device_context) return false;
  if (width == 0) width = d3d_wd;
  if (height == 0) height = d3d_ht;
  if (!force && width == d3d_wd && height == d3d_ht && fullscreen == isFullscreen) return true;
  debug("=== resizing OpenGL to %dx%d %s", width, height, mode_text(fullscreen));

  set_ib(nullptr);
  for (int i = 0; i < MAX_VERTEX_STREAMS; i++) set_vb(i, nullptr, 0, 0);
  release_dynamic_buffers();
  unbind_texture_stages();
  release_markers();
  release_scene_depth();
  release_back_buffer();

  isFullscreen = fullscreen;
  apply_window_mode(fullscreen, &width, &height);
  d3d_wd = width;
  d3d_ht = height;
  // A failed reset leaves the device lost: frames are skipped and the loop
  // tries the reset again.
  if (!create_back_buffer()) {
    debug("Reset failed (code 0x%08X)", take_gl_error());
    set_d3d_device_lost(true, true);
    return false;
  }
  recreate_device_textures();
  recreate_dynamic_buffers();
  if (!create_scene_depth()) {
    debug("failed to recreate scene RT");
    set_d3d_device_lost(true, true);
    return false;
  }
  create_markers();
  reset_sampler_defaults();
  set_back_buffer_target();
  device_lost = false;
  debug("resized OpenGL to %dx%d %s", d3d_wd, d3d_ht, mode_text(fullscreen));
  if (reset_hook) reset_hook();
  return true;
}

void set_d3d_device_lost(bool lost, bool resettable) {
  device_lost = lost;
  device_resettable = resettable;
}

bool check_d3d_device() {
  if (!device_context) return false;
  if (!device_lost) return true;
  if (device_resettable) return reset_d3d(d3d_wd, d3d_ht, isFullscreen, true);
  return false;
}

void close_d3d() {
  if (!device_context) return;
  debug("close OpenGL");
  release_markers();
  flush_query = false;
  release_all_textures();
  release_all_buffers();
  release_all_vdecls();
  close_shaders();
  close_draw_state();
  release_scene_depth();
  release_back_buffer();
  if (device_gl.targetFbo) glDeleteFramebuffers(1, &device_gl.targetFbo);
  if (device_gl.vao) glDeleteVertexArrays(1, &device_gl.vao);
  device_gl = DeviceGL{};
  SDL_GL_DeleteContext(device_context);
  device_context = nullptr;
  device_window = nullptr;
  device_lost = false;
}

bool begin_scene() {
  if (!device_context) return false;
  if (device_lost) return false;
  if (d3d_limit_buffered_frames && frame_markers[marker_pos]) {
    GLenum r = glClientWaitSync(frame_markers[marker_pos], GL_SYNC_FLUSH_COMMANDS_BIT, 0);
    if (r == GL_TIMEOUT_EXPIRED || r == GL_WAIT_FAILED) return false;
  }
  return true;
}

void end_scene() {
  if (!device_context || !markers_created) return;
  if (frame_markers[marker_pos]) glDeleteSync(frame_markers[marker_pos]);
  frame_markers[marker_pos] = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
  marker_pos ^= 1;
}

void present_frame() {
  if (!device_context) return;
  int win_w = d3d_wd, win_h = d3d_ht;
  SDL_GL_GetDrawableSize(device_window, &win_w, &win_h);
  // The back buffer keeps row 0 at the top; the window's row 0 is the bottom.
  glBindFramebuffer(GL_READ_FRAMEBUFFER, device_gl.backBufferFbo);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  glDisable(GL_SCISSOR_TEST);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glBlitFramebuffer(0, 0, d3d_wd, d3d_ht, 0, win_h, win_w, 0, GL_COLOR_BUFFER_BIT, GL_LINEAR);
  SDL_GL_SwapWindow(device_window);
  // Restore the bindings the renderers expect.
  glBindFramebuffer(GL_FRAMEBUFFER,
                    device_gl.targetIsBackBuffer ? device_gl.backBufferFbo : device_gl.targetFbo);
  reapply_color_write_mask();
}

void flush_gpu() {
  ASSERT(flush_query);
  GLsync s = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
  for (;;) {
    GLenum r = glClientWaitSync(s, GL_SYNC_FLUSH_COMMANDS_BIT, 1000000);
    if (r != GL_TIMEOUT_EXPIRED) break;
  }
  glDeleteSync(s);
}

unsigned get_free_texmem() {
  if (!device_context) return 0;
  GLint kb[4] = {};
  if (epoxy_has_gl_extension("GL_NVX_gpu_memory_info")) {
    glGetIntegerv(0x9049 /* GPU_MEMORY_INFO_CURRENT_AVAILABLE_VIDMEM_NVX */, kb);
  } else if (epoxy_has_gl_extension("GL_ATI_meminfo")) {
    glGetIntegerv(0x87FC /* TEXTURE_FREE_MEMORY_ATI */, kb);
  }
  take_gl_error();
  uint64_t bytes = uint64_t(kb[0] > 0 ? kb[0] : 0) * 1024u;
  return bytes > 0xFFFFFFFFull ? 0xFFFFFFFFu : unsigned(bytes);
}

bool check_fp_blending(int format) {
  if (!device_context) return false;
  if (format < TEXFMT_ARGB8 || format > TEXFMT_A32B32G32R32F) return false;
  Texture* t = create_render_texture(4, 4, format);
  if (!t) return false;
  GLint prev = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &prev);
  GLuint fbo = 0;
  glGenFramebuffers(1, &fbo);
  glBindFramebuffer(GL_FRAMEBUFFER, fbo);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, t->glTexture, 0);
  bool ok = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  glBindFramebuffer(GL_FRAMEBUFFER, GLuint(prev));
  glDeleteFramebuffers(1, &fbo);
  release_texture(t);
  return ok;
}
