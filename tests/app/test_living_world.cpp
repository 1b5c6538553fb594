// The world lives in play: what the grids hold shows on screen. Each test
// replays input into the real game (headless, 640 x 360) and reads its
// screenshots.
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <string>
#include <vector>
#include "tests/app/app_test_env.h"

namespace {
constexpr int W = 640, H = 360;
constexpr int VK_F9 = 0x78;
constexpr int VK_LBUTTON = 1, VK_RBUTTON = 2, VK_CONTROL = 0x11;
constexpr int KEY_DOWN = 1, KEY_UP = 2, BUTTON_DOWN = 3, BUTTON_UP = 4, MOUSE_MOVE = 5;

// Input by update, with frames drawn after some updates, as in play.
class Replay {
public:
  void event(int update, int kind, int key, int x = W / 2, int y = H / 2) {
    char line[96];
    snprintf(line, sizeof line, "e %d %d %d 0 %d %d", update, kind, key, x, y);
    events_.push_back({update, line});
  }
  void key(int update, int vk) {
    event(update, KEY_DOWN, vk);
    event(update + 2, KEY_UP, vk);
  }
  void click(int update, int button, int x, int y) {
    event(update, MOUSE_MOVE, 0, x, y);
    event(update + 1, BUTTON_DOWN, button, x, y);
    event(update + 3, BUTTON_UP, button, x, y);
  }
  // Frames are drawn for a while from frames_from (the view settles) and
  // for the few updates up to each shot; the world steps on between them.
  std::string write(int frames_from, const std::vector<int>& shots) {
    // One file per test process: ctest runs these tests side by side.
    std::string path = std::string(testing::TempDir()) + "eh_living_world_replay_" + std::to_string(getpid()) + ".txt";
    FILE* f = fopen(path.c_str(), "w");
    fprintf(f, "# Ember Hollows input recording\nseed 7\na 1 1\no 1 1\n");
    std::stable_sort(events_.begin(), events_.end(), [](auto& a, auto& b) { return a.first < b.first; });
    auto drawn = [&](int u) {
      if (u >= frames_from && u < frames_from + 12) return true;
      return std::any_of(shots.begin(), shots.end(), [&](int s) { return u > s - 4 && u <= s; });
    };
    size_t i = 0;
    for (int u = 2; u <= shots.back() + 1; u++) {
      for (; i < events_.size() && events_[i].first <= u; i++) fprintf(f, "%s\n", events_[i].second.c_str());
      if (drawn(u)) fprintf(f, "f %d 0.025\n", u);
    }
    fclose(f);
    return path;
  }

private:
  std::vector<std::pair<int, std::string>> events_;
};

struct Shot {
  int w = 0, h = 0;
  std::vector<unsigned char> rgb;
  const unsigned char* at(int x, int y) const { return &rgb[size_t(y * w + x) * 3]; }
};

// Runs the replay and returns its screenshots (removed from disk).
std::vector<Shot> play(Replay& r, int frames_from, const std::vector<int>& shots) {
  int last = shots.back() + 1;
  std::string args = "-360 -novs -replay '" + r.write(frames_from, shots) + "' -quit-after " + std::to_string(last);
  for (int s : shots) args += " -shot-at " + std::to_string(s);
  GameOutput out = run_game(args);
  EXPECT_EQ(out.exitCode, 0) << out.log;
  std::vector<Shot> result;
  for (const std::string& file : logged_screenshots(out)) {
    Shot s;
    int n = 0;
    unsigned char* px = stbi_load(file.c_str(), &s.w, &s.h, &n, 3);
    if (px) s.rgb.assign(px, px + size_t(s.w * s.h * 3));
    stbi_image_free(px);
    if (!getenv("EH_KEEP_SHOTS")) remove(file.c_str());
    result.push_back(s);
  }
  EXPECT_EQ(result.size(), shots.size()) << out.log;
  return result;
}

// Share of the rectangle's pixels that pass the test.
template <class Test>
double share(const Shot& s, int x0, int y0, int x1, int y1, Test test) {
  if (s.rgb.empty()) return 0;
  int n = 0, yes = 0;
  for (int y = y0; y < y1; y++)
    for (int x = x0; x < x1; x++, n++) yes += test(s.at(x, y));
  return double(yes) / n;
}

// Water or its foam: blue-green, or white with no warm tint.
bool wet(const unsigned char* p) {
  return (p[2] > p[0] + 40 && p[1] > p[0] + 20) || (p[0] > 190 && p[1] > 190 && p[2] >= p[0]);
}

// Dark ground: shaded slopes and rock cracks.
bool dark(const unsigned char* p) { return 0.3 * p[0] + 0.59 * p[1] + 0.11 * p[2] < 90; }

// From the main menu into play over the menu's world, looking down at the
// ground ahead of the player, with mana to spare.
Replay play_looking_down() {
  Replay r;
  r.key(10, VK_F9);
  r.key(20, VK_F9);
  for (int u = 26; u < 30; u++) r.event(u, MOUSE_MOVE, 0, W / 2, H / 2 + 100);
  r.event(40, KEY_DOWN, VK_CONTROL);
  r.key(41, 'N');
  r.event(44, KEY_UP, VK_CONTROL);
  return r;
}

}  // namespace

// A Spring cast on dry sand fills the ground around it with water that
// shows within three seconds.
TEST(LivingWorld, SpringWaterShowsWhereItWasCast) {
  Replay r = play_looking_down();
  // The spell grid's fourth cell (Spring) onto the left button.
  r.event(50, KEY_DOWN, VK_CONTROL);
  r.click(51, VK_LBUTTON, 320, 157);
  r.event(56, KEY_UP, VK_CONTROL);
  r.event(57, MOUSE_MOVE, 0, W / 2, H / 2);
  r.event(90, BUTTON_DOWN, VK_LBUTTON);
  r.event(92, BUTTON_UP, VK_LBUTTON);
  std::vector<Shot> s = play(r, 21, {88, 150});
  ASSERT_EQ(s.size(), 2u);
  // The water pools on the sand around and beyond the aim, below the hill.
  double before = share(s[0], 280, 160, 360, 215, wet), after = share(s[1], 280, 160, 360, 215, wet);
  EXPECT_LT(before, 0.1);
  EXPECT_GT(after, 0.4) << "before " << before;
}

// A Hill (right button) raised on a beach is lit as the slope it is: its
// shaded side and rock show, where a stale light left it flat and bright.
TEST(LivingWorld, HillGroundTakesTheLightOfItsSlopes) {
  Replay r = play_looking_down();
  r.event(90, BUTTON_DOWN, VK_RBUTTON);
  r.event(92, BUTTON_UP, VK_RBUTTON);
  std::vector<Shot> s = play(r, 21, {88, 150});
  ASSERT_EQ(s.size(), 2u);
  // The hill around the cross hair.
  double before = share(s[0], 270, 160, 370, 250, dark), after = share(s[1], 270, 160, 370, 250, dark);
  EXPECT_GT(after, before + 0.15) << "before " << before << ", after " << after;
}

// Water everywhere (H, development mode): the land below the horizon turns
// to water within two seconds, where before only bare beds showed.
TEST(LivingWorld, WaterPouredIntoTheGridsShowsOnScreen) {
  Replay r;
  r.key(10, VK_F9);
  r.key(20, 'H');
  std::vector<Shot> s = play(r, 11, {18, 60});
  ASSERT_EQ(s.size(), 2u);
  double before = share(s[0], 0, H / 2 + 20, W, H, wet), after = share(s[1], 0, H / 2 + 20, W, H, wet);
  EXPECT_GT(after, 0.4) << "before " << before;
  EXPECT_GT(after, before + 0.15) << "before " << before;
}
