#pragma once
// GL objects shared by the device's source files; not for renderers.
#include <cstdint>

struct DeviceGL {
  uint32_t backBufferFbo;    // the back buffer: colour renderbuffer, no depth
  uint32_t backBufferColor;  // RGBA8 renderbuffer
  uint32_t targetFbo;        // render textures and the scene depth
  uint32_t sceneDepth;       // 24-bit depth, 8-bit stencil renderbuffer
  uint32_t vao;              // the one vertex array object
  bool targetIsBackBuffer;
};
extern DeviceGL device_gl;

// Logs and clears pending GL errors; returns the first one (0 when none).
unsigned take_gl_error();
