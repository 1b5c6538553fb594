#include "tests/render/render_test_env.h"
#include <sys/stat.h>
#include <utime.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#include "core/debug.h"
#include "core/paths.h"
#include "render/headless_device.h"
#include "render/textures.h"

SDL_Window* RenderTestEnv::window = nullptr;
std::string RenderTestEnv::folder;

// Death-test children end in the fatal stop without a tear-down; its
// shutdown hook removes the folder then.
static void remove_test_folder() {
  if (RenderTestEnv::folder.empty()) return;
  std::string cmd = "rm -rf '" + RenderTestEnv::folder + "'";
  if (system(cmd.c_str()) != 0) fprintf(stderr, "could not remove %s\n", RenderTestEnv::folder.c_str());
  RenderTestEnv::folder.clear();
}

void RenderTestEnv::SetUp() {
  // Death tests re-run the binary: a forked child would share the driver's
  // threads with its parent.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  char tmpl[] = "/tmp/eh_render_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  folder = std::string(tmpl) + "/";
  set_shutdown_hook(remove_test_folder);
  mkdir((folder + "cache").c_str(), 0755);
  mkdir((folder + "shaders").c_str(), 0755);
  mkdir((folder + "cache/shaders").c_str(), 0755);
  snprintf(app_path, sizeof(app_path), "%s", folder.c_str());
  window = open_headless_device(64, 48, "render tests");
  ASSERT_NE(window, nullptr) << "no headless device (see the log)";
}

void RenderTestEnv::TearDown() {
  close_headless_device(window, false);
  remove_test_folder();
}

void write_test_file(const std::string& name, const std::string& text) {
  FILE* f = fopen((RenderTestEnv::folder + name).c_str(), "wb");
  ASSERT_NE(f, nullptr) << name;
  fwrite(text.data(), 1, text.size(), f);
  fclose(f);
}

void copy_game_file(const std::string& bin_folder, const std::string& name) {
  std::string from = bin_folder + "/" + name;
  FILE* f = fopen(from.c_str(), "rb");
  ASSERT_NE(f, nullptr) << from;
  std::string bytes;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), f)) > 0) bytes.append(buf, n);
  fclose(f);
  write_test_file(name, bytes);
}

void set_file_time(const std::string& name, int64_t time) {
  utimbuf t = {time_t(time), time_t(time)};
  utime((RenderTestEnv::folder + name).c_str(), &t);
}

uint32_t texture_pixel(Texture* tex, int x, int y) {
  std::vector<uint32_t> px(size_t(texture_width(tex)) * size_t(texture_height(tex)));
  if (!read_texture_pixels(tex, px.data())) return 0xDEADBEEF;
  return px[size_t(y) * size_t(texture_width(tex)) + size_t(x)];
}

// Registered once for every render test binary.
static ::testing::Environment* const render_env = ::testing::AddGlobalTestEnvironment(new RenderTestEnv);

