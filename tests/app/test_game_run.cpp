#include <gtest/gtest.h>
#include <sys/wait.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "core/optional_services.h"
#include "core/settings.h"
#include "tests/app/app_test_env.h"

namespace {
bool has(const GameOutput& r, const std::string& text) { return r.log.find(text) != std::string::npos; }
size_t at(const GameOutput& r, const std::string& text) { return r.log.find(text); }
}  // namespace

TEST(GameRun, StartsRunsAndShutsDownInOrder) {
  GameOutput r = run_game("-360 -novs -seed 42 -quit-after 30");
  EXPECT_EQ(r.exitCode, 0) << r.log;
  EXPECT_TRUE(has(r, "app path: '")) << r.log;
  EXPECT_TRUE(has(r, "init OpenGL ok (640x360)")) << r.log;
  EXPECT_TRUE(has(r, "Graphics quality: high")) << r.log;
  EXPECT_TRUE(has(r, "game_rnd_seed=42;")) << r.log;
  EXPECT_TRUE(has(r, "total start-up time: ")) << r.log;
  EXPECT_TRUE(has(r, "free video memory: ")) << r.log;
  EXPECT_LT(at(r, "init OpenGL ok"), at(r, "total start-up time"));
  EXPECT_LT(at(r, "total start-up time"), at(r, "closing..."));
  EXPECT_LT(at(r, "closing..."), at(r, "close OpenGL"));
  EXPECT_LT(at(r, "close OpenGL"), at(r, "closed all systems"));
}

TEST(GameRun, LowQualityIsLogged) {
  GameOutput r = run_game("-360 -gfx-low -quit-after 2");
  EXPECT_EQ(r.exitCode, 0) << r.log;
  EXPECT_TRUE(has(r, "Graphics quality: low")) << r.log;
}

TEST(GameRun, AFatalStopShutsDownInOrderAndExitsWith100) {
  // A copy of the game alone in a folder has no module to load.
  std::string folder = make_test_config_home();
  std::string exe = folder + "/ember_hollows";
  ASSERT_EQ(system(("cp '" EH_GAME_EXE "' '" + exe + "'").c_str()), 0);
  GameOutput r = run_game("-360 -quit-after 5", exe);
  remove_folder(folder);
  EXPECT_EQ(r.exitCode, 100) << r.log;
  EXPECT_TRUE(has(r, "ERROR: ")) << r.log;
  EXPECT_LT(at(r, "ERROR: "), at(r, "closing..."));
  EXPECT_LT(at(r, "closing..."), at(r, "close OpenGL"));
  EXPECT_LT(at(r, "close OpenGL"), at(r, "closed all systems"));
  EXPECT_FALSE(has(r, "total start-up time")) << r.log;
}

TEST(GameRun, StoredFlagsStartFullscreenAtTheDisplaySize) {
  GameOutput r = run_game("-quit-after 2", EH_GAME_EXE, 1);
  EXPECT_EQ(r.exitCode, 0) << r.log;
  EXPECT_TRUE(has(r, "init OpenGL ok (1024x768)")) << r.log;  // the offscreen display
  r = run_game("-win -720 -quit-after 2", EH_GAME_EXE, 1);
  EXPECT_TRUE(has(r, "init OpenGL ok (1280x720)")) << r.log;
}

// Start-up logs every optional service nobody registered. A service the
// executable defines must never be among them: its provider forgot the line
// that registers it.
TEST(GameRun, StartUpRegistersEveryOptionalServiceTheGameDefines) {
  GameOutput r = run_game("-360 -quit-after 2");
  ASSERT_EQ(r.exitCode, 0) << r.log;
  std::string symbols;
  FILE* p = popen("nm -C --defined-only '" EH_GAME_EXE "'", "r");
  ASSERT_TRUE(p);
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), p)) > 0) symbols.append(buf, n);
  ASSERT_EQ(pclose(p), 0);
  ASSERT_NE(symbols.find(" T app_main("), std::string::npos);  // the listing shows free functions so

  const std::string mark = "optional service ";
  int reported = 0;
  for (size_t at = r.log.find(mark); at != std::string::npos; at = r.log.find(mark, at + 1)) {
    size_t from = at + mark.size();
    std::string name = r.log.substr(from, r.log.find(' ', from) - from);
    ++reported;
    EXPECT_EQ(symbols.find(" T " + name + "("), std::string::npos) << name << " is defined but not registered";
    EXPECT_EQ(r.log.find(mark + name + " ", at + 1), std::string::npos) << name << " reported twice";
  }
  EXPECT_LE(reported, int(OPTIONAL_SERVICE_COUNT));
}

TEST(GameRun, ShotAtSavesAPngOfTheWindowAfterEachGivenUpdate) {
  GameOutput r = run_game("-360 -seed 7 -shot-at 2 -shot-at 4 -quit-after 5");
  EXPECT_EQ(r.exitCode, 0) << r.log;
  std::vector<std::string> files = logged_screenshots(r);
  ASSERT_EQ(files.size(), 2u) << r.log;
  EXPECT_NE(files[0].find("_at2.png"), std::string::npos);
  EXPECT_NE(files[1].find("_at4.png"), std::string::npos);
  for (const std::string& f : files) {
    // PNG signature, then the IHDR chunk with the big-endian size.
    unsigned char head[24] = {};
    FILE* png = fopen(f.c_str(), "rb");
    ASSERT_NE(png, nullptr) << f;
    EXPECT_EQ(fread(head, 1, sizeof(head), png), sizeof(head));
    fclose(png);
    EXPECT_EQ(std::string((char*)head + 1, 3), "PNG");
    EXPECT_EQ(std::string((char*)head + 12, 4), "IHDR");
    EXPECT_EQ(head[18] << 8 | head[19], 640);
    EXPECT_EQ(head[22] << 8 | head[23], 360);
    remove(f.c_str());
  }
}

TEST(GameRun, BadArgumentsAndAMissingDisplayFailWithAnExitCode) {
  for (const char* args : {"-quit-after -5", "-quit-after 12x", "-quit-after", "-seed abc", "-seed -5",
                           "-seed 18446744073709551616", "-shot-at x", "-record", "-replay /nonexistent/recording"}) {
    GameOutput r = run_game(args);
    EXPECT_EQ(r.exitCode, 2) << args << "\n" << r.log;
    EXPECT_FALSE(has(r, "init OpenGL")) << args;
  }
  EXPECT_TRUE(has(run_game("-seed abc"), "usage: ember_hollows"));
  GameOutput r = run_game("-quit-after 2", EH_GAME_EXE, -1, "nonexistent");
  EXPECT_NE(r.exitCode, 0) << r.log;
  EXPECT_TRUE(has(r, "can't start SDL video")) << r.log;
}

TEST(GameRun, StartsIntoTheMainMenuWithItsWorldAndMusic) {
  GameOutput r = run_game("-360 -seed 5 -quit-after 3");
  EXPECT_EQ(r.exitCode, 0) << r.log;
  EXPECT_TRUE(has(r, "generated world in")) << r.log;
  EXPECT_LT(at(r, "generated world in"), at(r, "total start-up time"));
  EXPECT_LT(at(r, "generated world in"), at(r, "music: music_menu")) << r.log;
  EXPECT_FALSE(has(r, "no such music")) << r.log;
}

namespace {
// A recording of 40 updates: development mode (F9), flying forward with a
// look to the side, water everywhere (H) unless left out, one frame per
// update.
std::string write_recording(const std::string& path, bool with_water) {
  FILE* f = fopen(path.c_str(), "w");
  if (!f) return "";
  fprintf(f, "# Ember Hollows input recording\nversion Ember Hollows 0.17 DEMO\nseed 42\n");
  for (int u = 1; u <= 40; u++) {
    if (u > 1) fprintf(f, "f %d 0x1.99999ap-6\n", u);
    if (u == 3) fprintf(f, "e 3 1 120 0 0 0\ne 3 2 120 0 0 0\n");  // F9
    if (u == 5) fprintf(f, "e 5 1 87 0 0 0\ne 5 5 0 0 400 150\n");  // W held, mouse to the right
    if (u == 12 && with_water) fprintf(f, "e 12 1 72 0 0 0\ne 12 2 72 0 0 0\n");  // H
    if (u == 20) fprintf(f, "e 20 2 87 0 0 0\n");
  }
  fclose(f);
  return path;
}

std::string state_hash(const GameOutput& r) {
  size_t p = r.log.find("state hash after 40 updates: ");
  return p == std::string::npos ? "" : r.log.substr(p, 45);
}
}  // namespace

TEST(GameRun, AReplayEndsWithTheSameStateEveryTime) {
  std::string dir = make_test_config_home();
  std::string a = write_recording(dir + "/a.txt", true);
  std::string b = write_recording(dir + "/b.txt", false);
  GameOutput first = run_game("-360 -quit-after 40 -replay " + a);
  GameOutput second = run_game("-360 -quit-after 40 -replay " + a + " -record " + dir + "/again.txt");
  GameOutput changed = run_game("-360 -quit-after 40 -replay " + b);
  // What a replay records is that replay again.
  GameOutput rerecorded = run_game("-360 -quit-after 40 -replay " + dir + "/again.txt");
  remove_folder(dir);
  EXPECT_EQ(first.exitCode, 0) << first.log;
  ASSERT_NE(state_hash(first), "") << first.log;
  EXPECT_EQ(state_hash(first), state_hash(second));
  EXPECT_EQ(state_hash(first), state_hash(rerecorded)) << rerecorded.log;
  EXPECT_NE(state_hash(first), state_hash(changed)) << changed.log;
}
