#pragma once
// The render device: an OpenGL 3.3 core context on the main window, drawing
// into an off-screen back buffer whose row 0 is the top of the image (the
// same orientation as every render target and uploaded texture), presented
// to the window with a vertical flip. Depth runs 0..1.
#include <cstdint>

struct SDL_Window;

extern int d3d_wd, d3d_ht;              // back-buffer size in pixels
extern bool isFullscreen;               // the window is in fullscreen mode (set by reset_d3d)
extern bool d3d_limit_buffered_frames;  // at most two frames in flight

// Sets the SDL attributes the device needs; call before creating the window.
void set_device_window_attributes();

bool init_d3d(SDL_Window* window, int width, int height);
// The display's resolutions for fullscreen, largest first, each size once
// (refresh rates aside); false past the last.
int get_fullscreen_size_count();
bool get_fullscreen_size(int index, int* width, int* height);
// The display mode fullscreen uses: 0 x 0 (the default) is the desktop's own
// (desktop fullscreen), any other size the display's mode of that size; a
// size the display does not have is the desktop's. A change takes effect at
// the next reset into fullscreen.
void set_fullscreen_display_size(int width, int height);
// Resizes the back buffer and switches fullscreen (at the size above).
// A width or height of 0 keeps the current one.
bool reset_d3d(int width, int height, bool fullscreen, bool force);
// True when the device can draw; resets a lost device once it can be reset.
bool check_d3d_device();
void close_d3d();
bool d3d_device_exists();

// False when the frame must be skipped (no device, lost, or the GPU is more
// than two frames behind while d3d_limit_buffered_frames is set).
bool begin_scene();
void end_scene();
void present_frame();

// Waits until the GPU has finished all submitted work.
void flush_gpu();
// Estimate of free texture memory in bytes (0 when the driver gives none).
unsigned get_free_texmem();
// The format code can be a render target with blending.
bool check_fp_blending(int format);

// Called after every reset or resize (the application recreates its
// size-dependent resources).
typedef void (*DeviceResetHook)();
void set_device_reset_hook(DeviceResetHook hook);

// A GL context is never lost by itself; this drives the lost-device path:
// while lost, frames are skipped, and once resettable the next
// check_d3d_device resets the device.
void set_d3d_device_lost(bool lost, bool resettable);
