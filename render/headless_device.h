#pragma once
// The game's GL device on a hidden window, for programs without a screen:
// tools, benchmarks and tests. The video driver is SDL's offscreen one
// unless SDL_VIDEODRIVER names another.
struct SDL_Window;

// Starts SDL video, makes a hidden window of this size and opens the device
// on it. Null, with the reason in the log, when a step fails.
SDL_Window* open_headless_device(int width, int height, const char* title);

// Closes the device. With end_sdl, the window and SDL video end too; without
// it they stay until the process ends, so the GL driver stays loaded and its
// own allocations keep their names for the leak checker.
void close_headless_device(SDL_Window* window, bool end_sdl);
