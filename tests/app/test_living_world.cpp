// The world lives in play: what the grids hold shows on screen. Each test
// replays input into the real game (headless, 640 x 360) and reads its
// screenshots.
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "tests/app/app_test_env.h"

namespace {
constexpr int W = 640, H = 360;
constexpr int VK_F9 = 0x78;
constexpr int KEY_DOWN = 1, KEY_UP = 2;

// Input by update, with a frame drawn after every update from the first
// one given, as in play.
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
  std::string write(int frames_from, int last) {
    std::string path = std::string(testing::TempDir()) + "eh_living_world_replay.txt";
    FILE* f = fopen(path.c_str(), "w");
    fprintf(f, "# Ember Hollows input recording\nseed 7\na 1 1\no 1 1\n");
    std::stable_sort(events_.begin(), events_.end(), [](auto& a, auto& b) { return a.first < b.first; });
    size_t i = 0;
    for (int u = 2; u <= last; u++) {
      for (; i < events_.size() && events_[i].first <= u; i++) fprintf(f, "%s\n", events_[i].second.c_str());
      if (u >= frames_from) fprintf(f, "f %d 0.025\n", u);
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
  std::string args = "-360 -novs -replay '" + r.write(frames_from, last) + "' -quit-after " + std::to_string(last);
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

}  // namespace

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
