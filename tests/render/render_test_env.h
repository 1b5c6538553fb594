#pragma once
// A real GL device for the render tests: the headless device
// (render/headless_device.h), shared by every test of the binary. Files the
// tests write go into a fresh folder that app_path points to, with a "cache"
// folder for shader caches.
#include <gtest/gtest.h>
#include <cstdint>
#include <string>

struct SDL_Window;

class RenderTestEnv : public ::testing::Environment {
public:
  void SetUp() override;
  void TearDown() override;
  static SDL_Window* window;
  static std::string folder;  // app_path, with the trailing "/"
};

// Writes a file below RenderTestEnv::folder.
void write_test_file(const std::string& name, const std::string& text);
// Copies a game file (shader, texture) from the build's bin folder into the
// test folder; a missing file fails the test.
void copy_game_file(const std::string& bin_folder, const std::string& name);
// Sets a file's modification time (seconds since 1970).
void set_file_time(const std::string& name, int64_t time);
// Pixel at (x, y), row 0 at the top, of a render texture as 0xAARRGGBB.
uint32_t texture_pixel(struct Texture* tex, int x, int y);
