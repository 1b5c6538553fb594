#include <gtest/gtest.h>
#include <sys/wait.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "core/debug.h"
#include "core/optional_services.h"
#include "core/settings.h"
#include "tests/app/app_test_env.h"
#include "tests/app/png_file.h"

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

TEST(GameRun, HelpAndVersionAnswerWithoutStartingAndUnknownOptionsOnlyWarn) {
  for (const char* ask : {"--help", "-h", "-720 --help -seed 3"}) {
    GameOutput r = run_game(ask);
    EXPECT_EQ(r.exitCode, 0) << ask << "\n" << r.log;
    EXPECT_EQ(r.log.find("usage: ember_hollows"), 0u) << ask << "\n" << r.log;
    EXPECT_FALSE(has(r, "app path")) << ask;
  }
  GameOutput help = run_game("--help");
  for (const char* option : {"-720", "-360", "-1024", "-aa", "-noaa", "-vs", "-novs", "-fullscr", "-win",
                             "-gfx-high", "-gfx-low", "-seed SEED", "-quit-after UPDATES", "-shot-at UPDATE",
                             "-record FILE", "-replay FILE", "--version"})
    EXPECT_TRUE(has(help, std::string("\n  ") + option + " ")) << option << "\n" << help.log;
  // A file named like an option is still a file.
  EXPECT_EQ(run_game("-record --help -replay").exitCode, 2);

  GameOutput version = run_game("--version");
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.log, GAME_TITLE "\n");

  GameOutput r = run_game("-360 --launcher-flag -quit-after 2 -psn_0_42");
  EXPECT_EQ(r.exitCode, 0) << r.log;
  EXPECT_TRUE(has(r, "unknown option '--launcher-flag' ignored (see --help)")) << r.log;
  EXPECT_TRUE(has(r, "unknown option '-psn_0_42'")) << r.log;
  EXPECT_TRUE(has(r, "total start-up time")) << r.log;
}

TEST(GameRun, AResizedWindowKeepsDrawingWholeFramesAtItsNewSize) {
  GameOutput r = run_game("-360 -seed 5 -resize-at 3:800x450 -shot-at 2 -shot-at 6 -quit-after 6");
  EXPECT_EQ(r.exitCode, 0) << r.log;
  EXPECT_TRUE(has(r, "resized OpenGL to 800x450 windowed")) << r.log;
  std::vector<std::string> files = logged_screenshots(r);
  ASSERT_EQ(files.size(), 2u) << r.log;
  PngImage before, after;
  ASSERT_TRUE(read_png_file(files[0], &before));
  ASSERT_TRUE(read_png_file(files[1], &after));
  for (const std::string& f : files) remove(f.c_str());
  EXPECT_EQ(before.width, 640);
  EXPECT_EQ(before.height, 360);
  ASSERT_EQ(after.width, 800);
  ASSERT_EQ(after.height, 450);
  // The world, the menu and the sky reach every edge: the strips the old
  // size did not cover are drawn like the rest, not left black or flat.
  auto strip_stats = [&](int x0, int y0, int x1, int y1, int* distinct) {
    long sum = 0;
    std::vector<uint32_t> seen;
    for (int y = y0; y < y1; y++)
      for (int x = x0; x < x1; x++) {
        const uint8_t* p = after.at(x, y);
        sum += p[0] + p[1] + p[2];
        uint32_t c = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
        if (seen.size() < 64 && std::find(seen.begin(), seen.end(), c) == seen.end()) seen.push_back(c);
      }
    *distinct = int(seen.size());
    return double(sum) / double((x1 - x0) * (y1 - y0) * 3);
  };
  int right_colours = 0, bottom_colours = 0, old_colours = 0;
  double right = strip_stats(640, 0, 800, 450, &right_colours);
  double bottom = strip_stats(0, 360, 640, 450, &bottom_colours);
  double old_part = strip_stats(0, 0, 640, 360, &old_colours);
  EXPECT_GT(right_colours, 16);
  EXPECT_GT(bottom_colours, 16);
  EXPECT_GT(right, old_part * 0.3) << right << " against " << old_part;
  EXPECT_GT(bottom, old_part * 0.3) << bottom << " against " << old_part;
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
