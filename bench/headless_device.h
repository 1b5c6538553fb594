#pragma once
// The headless device (render/headless_device.h) for benchmarks of what
// draws, with the shared dynamic vertex buffer. Make it the first member of
// a fixture, so it closes after everything the fixture made on it.
#include <SDL2/SDL.h>
#include <cstdio>
#include "core/paths.h"
#include "render/dyn_vb_writer.h"
#include "render/headless_device.h"

struct HeadlessDevice {
  SDL_Window* window = nullptr;
  // Shaders, textures and meshes are read from data_folder (the build's
  // bin folder, where they stand beside the game).
  HeadlessDevice(int width, int height, const char* data_folder) {
    snprintf(app_path, sizeof(app_path), "%s/", data_folder);
    window = open_headless_device(width, height, "bench");
    common_vb_writer.init(COMMON_VB_SIZE);
  }
  ~HeadlessDevice() {
    common_vb_writer.release();
    close_headless_device(window, true);
  }
  HeadlessDevice(const HeadlessDevice&) = delete;
  HeadlessDevice& operator=(const HeadlessDevice&) = delete;
};
