#pragma once
// The game's GL device on a hidden window of the offscreen video driver, for
// benchmarks of what draws, with the shared dynamic vertex buffer. Make it
// the first member of a fixture, so it closes after everything the fixture
// made on it.
#include <SDL2/SDL.h>
#include <cstdio>
#include <cstdlib>
#include "core/paths.h"
#include "render/device.h"
#include "render/dyn_vb_writer.h"

struct HeadlessDevice {
  SDL_Window* window = nullptr;
  // Shaders, textures and meshes are read from data_folder (the build's
  // bin folder, where they stand beside the game).
  HeadlessDevice(int width, int height, const char* data_folder) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    snprintf(app_path, sizeof(app_path), "%s/", data_folder);
    SDL_Init(SDL_INIT_VIDEO);
    set_device_window_attributes();
    window = SDL_CreateWindow("bench", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    init_d3d(window, width, height);
    common_vb_writer.init(COMMON_VB_SIZE);
  }
  ~HeadlessDevice() {
    common_vb_writer.release();
    close_d3d();
    SDL_DestroyWindow(window);
    SDL_Quit();
  }
  HeadlessDevice(const HeadlessDevice&) = delete;
  HeadlessDevice& operator=(const HeadlessDevice&) = delete;
};
