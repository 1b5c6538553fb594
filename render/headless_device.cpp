#include "render/headless_device.h"
#include <SDL2/SDL.h>
#include <cstdlib>
#include "core/debug.h"
#include "render/device.h"

SDL_Window* open_headless_device(int width, int height, const char* title) {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    debug("can't start SDL video: %s", SDL_GetError());
    return nullptr;
  }
  set_device_window_attributes();
  SDL_Window* window = SDL_CreateWindow(title, 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!window) {
    debug("can't create the hidden window: %s", SDL_GetError());
    return nullptr;
  }
  if (!init_d3d(window, width, height)) {
    debug("can't open the render device");
    SDL_DestroyWindow(window);
    return nullptr;
  }
  return window;
}

void close_headless_device(SDL_Window* window, bool end_sdl) {
  close_d3d();
  if (!end_sdl) return;
  if (window) SDL_DestroyWindow(window);
  SDL_Quit();
}
