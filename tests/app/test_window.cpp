#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "app/app_globals.h"
#include "app/app_shell.h"
#include "app/splash.h"
#include "app/input.h"
#include "app/launch_options.h"
#include "app/window.h"
#include "core/paths.h"
#include "tests/app/app_test_env.h"
#include "render/bitmap_font.h"
#include "render/device.h"
#include "render/dyn_vb_writer.h"
#include "render/render_state.h"
#include "render/scene_image.h"
#include "render/textures.h"

namespace {
// The real window and device on the offscreen driver; events are pushed
// into SDL's queue and go through the pump as a user's would.
class WindowTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS), 0);
    LaunchOptions opt;
    opt.width = 320;
    opt.height = 200;
    isFullscreen = false;
    ASSERT_TRUE(create_main_window(&opt));
    start_input(main_window);
    ASSERT_TRUE(init_d3d(main_window, opt.width, opt.height));
    common_vb_writer.init(COMMON_VB_SIZE);
  }
  static void TearDownTestSuite() {
    // The window stays until the process ends, keeping the GL driver loaded
    // (the leak checker cannot name a driver that was unloaded).
    common_vb_writer.release();
    close_d3d();
  }
  void SetUp() override {
    pump_messages();
    clear_input();
    clear_quit_request();
  }
  void TearDown() override {
    clear_input();
    clear_quit_request();
  }
  static void key(SDL_Scancode sc, bool down, Uint16 mod = 0, bool repeat = false) {
    SDL_Event e = {};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat;
    e.key.keysym.scancode = sc;
    e.key.keysym.sym = SDL_GetKeyFromScancode(sc);
    e.key.keysym.mod = mod;
    e.key.windowID = SDL_GetWindowID(main_window);
    SDL_PushEvent(&e);
  }
  static std::vector<InputEvent> events() {
    std::vector<InputEvent> out;
    InputEvent ev;
    while (getEvent(&ev)) out.push_back(ev);
    return out;
  }
};
}  // namespace

TEST_F(WindowTest, KeysBecomeVirtualKeyEventsWithTheirCharacters) {
  key(SDL_SCANCODE_A, true);
  SDL_Event text = {};
  text.type = SDL_TEXTINPUT;
  strcpy(text.text.text, "a");
  SDL_PushEvent(&text);
  key(SDL_SCANCODE_A, true, 0, true);
  key(SDL_SCANCODE_A, false);
  key(SDL_SCANCODE_RSHIFT, true);
  key(SDL_SCANCODE_F12, true);
  pump_messages();
  auto ev = events();
  ASSERT_EQ(ev.size(), 5u);
  EXPECT_EQ(ev[0].type, INPUT_KEY_DOWN);
  EXPECT_EQ(ev[0].key, 'A');
  EXPECT_EQ(ev[0].ch, 'a');
  EXPECT_EQ(ev[1].flags & INPUT_REPEAT, INPUT_REPEAT);
  EXPECT_EQ(ev[2].type, INPUT_KEY_UP);
  EXPECT_EQ(ev[3].key, VK_SHIFT);
  EXPECT_EQ(ev[4].key, 0x7B);
  EXPECT_EQ(ev[4].flags & INPUT_SHIFT, INPUT_SHIFT);
  key(SDL_SCANCODE_RSHIFT, false);
  key(SDL_SCANCODE_F12, false);
  pump_messages();
}

TEST_F(WindowTest, AltF4QuitsWithoutQueueingAKey) {
  key(SDL_SCANCODE_F4, true, KMOD_LALT);
  pump_messages();
  EXPECT_TRUE(is_quit_requested());
  EXPECT_TRUE(events().empty());
  key(SDL_SCANCODE_F4, false, KMOD_LALT);
}

TEST_F(WindowTest, CloseButtonAndQuitEventSetTheQuitFlag) {
  SDL_Event e = {};
  e.type = SDL_WINDOWEVENT;
  e.window.event = SDL_WINDOWEVENT_CLOSE;
  e.window.windowID = SDL_GetWindowID(main_window);
  SDL_PushEvent(&e);
  pump_messages();
  EXPECT_TRUE(is_quit_requested());
  EXPECT_FALSE(isAppActive);
  clear_quit_request();
  e = {};
  e.type = SDL_QUIT;
  SDL_PushEvent(&e);
  pump_messages();
  EXPECT_TRUE(is_quit_requested());
}

TEST_F(WindowTest, AltEnterTogglesFullscreenAndBackToTheWindowedSize) {
  key(SDL_SCANCODE_RETURN, true, KMOD_LALT);
  pump_messages();
  EXPECT_TRUE(isFullscreen);
  EXPECT_TRUE(events().empty());
  key(SDL_SCANCODE_RETURN, false, KMOD_LALT);
  key(SDL_SCANCODE_RETURN, true, KMOD_LALT);
  pump_messages();
  EXPECT_FALSE(isFullscreen);
  EXPECT_EQ(d3d_wd, 320);
  EXPECT_EQ(d3d_ht, 200);
  clear_input();
  key(SDL_SCANCODE_RETURN, false, KMOD_LALT);
  pump_messages();
}

TEST_F(WindowTest, TheChosenFullscreenSizeIsKeptAndUsedWhenFullscreen) {
  std::string home = make_test_config_home();
  choose_fullscreen_size(800, 600);
  LaunchOptions opt;
  read_launch_settings(&opt);
  EXPECT_EQ(opt.fullscreenWidth, 800);
  EXPECT_EQ(opt.fullscreenHeight, 600);
  EXPECT_EQ(d3d_wd, 320);  // windowed: nothing changes yet
  // The display's own modes are the ones it can switch to.
  int w = 0, h = 0;
  if (get_fullscreen_size(get_fullscreen_size_count() - 1, &w, &h)) {
    choose_fullscreen_size(w, h);
    set_fullscreen(true);
    EXPECT_EQ(d3d_wd, w);
    EXPECT_EQ(d3d_ht, h);
    set_fullscreen(false);
  }
  // A size beyond every mode of the display falls back to the desktop's own.
  SDL_DisplayMode desktop;
  ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0);
  choose_fullscreen_size(16000, 9000);
  set_fullscreen(true);
  EXPECT_EQ(d3d_wd, desktop.w);
  EXPECT_EQ(d3d_ht, desktop.h);
  choose_fullscreen_size(0, 0);
  EXPECT_TRUE(isFullscreen);
  set_fullscreen(false);
  EXPECT_EQ(d3d_wd, 320);
  EXPECT_EQ(d3d_ht, 200);
  read_launch_settings(&opt);
  EXPECT_EQ(opt.fullscreenWidth, 0);
  remove_folder(home);
}

TEST_F(WindowTest, MouseButtonsWheelAndMovesBecomeEvents) {
  SDL_Event e = {};
  e.type = SDL_MOUSEMOTION;
  e.motion.windowID = SDL_GetWindowID(main_window);
  e.motion.x = 500;  // beyond the back buffer
  e.motion.y = 50;
  SDL_PushEvent(&e);
  e = {};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.windowID = SDL_GetWindowID(main_window);
  e.button.button = SDL_BUTTON_RIGHT;
  e.button.clicks = 2;
  e.button.x = 10;
  e.button.y = 20;
  SDL_PushEvent(&e);
  e = {};
  e.type = SDL_MOUSEWHEEL;
  e.wheel.windowID = SDL_GetWindowID(main_window);
  e.wheel.y = -2;
  e.wheel.preciseY = -2.f;
  SDL_PushEvent(&e);
  pump_messages();
  auto ev = events();
  ASSERT_EQ(ev.size(), 3u);
  EXPECT_EQ(ev[0].type, INPUT_MOUSE_MOVE);
  EXPECT_EQ(ev[0].x, 319.f);
  EXPECT_EQ(ev[1].type, INPUT_BUTTON_DOWN);
  EXPECT_EQ(ev[1].key, VK_RBUTTON);
  EXPECT_EQ(ev[1].flags & INPUT_REPEAT, INPUT_REPEAT);
  EXPECT_EQ(ev[2].wheel, -2);
  EXPECT_EQ(getMouseWheel(), -2);
  EXPECT_TRUE(isMouseOver());  // captured between a button's down and up
  e = {};
  e.type = SDL_MOUSEBUTTONUP;
  e.button.windowID = SDL_GetWindowID(main_window);
  e.button.button = SDL_BUTTON_RIGHT;
  SDL_PushEvent(&e);
  pump_messages();
}

TEST_F(WindowTest, ResizingTheWindowResizesTheBackBuffer) {
  SDL_SetWindowSize(main_window, 300, 180);
  pump_messages();
  EXPECT_EQ(d3d_wd, 300);
  EXPECT_EQ(d3d_ht, 180);
  SDL_SetWindowSize(main_window, 320, 200);
  pump_messages();
  EXPECT_EQ(d3d_wd, 320);
}

TEST_F(WindowTest, SplashClearsToDarkBlueUntilASceneImageIsGrabbed) {
  // The splash draws with the bitmap font of the built game.
  PathString saved_app_path(app_path);
  snprintf(app_path, sizeof(app_path), "%s/", EH_BIN_DIR);
  init_bitmap_font();
  std::vector<uint32_t> px(size_t(d3d_wd) * size_t(d3d_ht));
  show_splash("Loading...", 0.5f);
  EXPECT_STREQ(splash_text, "Loading...");
  read_back_buffer_pixels(px.data());
  EXPECT_EQ(px[0], 0x00001133u);
  // The progress bar: a quarter of the width, centred, filled halfway.
  int text_h = int(0.03f * float(d3d_ht));
  // The bar lies below the text, which is at least one bitmap-font cell tall.
  int text_top = int(0.9f * float(d3d_ht));
  int drawn_h = text_h > bitmap_font_cell_height() ? text_h : bitmap_font_cell_height();
  int y = std::min(text_top + drawn_h + text_h / 4, d3d_ht - text_h) + text_h / 2;
  auto at = [&](int x) { return px[size_t(y) * size_t(d3d_wd) + size_t(x)]; };
  int left = (d3d_wd - d3d_wd / 4) / 2;
  EXPECT_EQ(at(left + 4), 0xFFCCCCCCu);                // filled part
  EXPECT_EQ(at(left + d3d_wd / 4 - 4), 0xFF000000u);   // empty part
  EXPECT_EQ(at(left - 4), 0x00001133u);                // outside the bar
  // The text sits in the band above the bar, centred.
  int text_pixels = 0;
  for (int ty = text_top; ty < y - text_h / 2; ty++)
    for (int tx = d3d_wd / 4; tx < d3d_wd * 3 / 4; tx++)
      text_pixels += (px[size_t(ty) * size_t(d3d_wd) + size_t(tx)] & 0xFF) > 0x80;
  EXPECT_GT(text_pixels, 20);
  show_splash(nullptr, -1.f);
  EXPECT_STREQ(splash_text, "");
  read_back_buffer_pixels(px.data());
  EXPECT_EQ(at(left + 4), 0x00001133u);  // no bar

  ASSERT_TRUE(create_scene_image());
  set_back_buffer_target();
  clear_view_color(0xFF804020);
  grab_scene_image();
  show_splash("Generating world", -1.f);
  read_back_buffer_pixels(px.data());
  EXPECT_EQ(px[0], 0xFF804020u);
  forget_splash_background();
  release_scene_image();
  close_bitmap_font();
  snprintf(app_path, sizeof(app_path), "%s", saved_app_path.c_str());
}
