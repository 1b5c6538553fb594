#include <gtest/gtest.h>
#include <sys/wait.h>
#include <cstdio>
#include <string>
#include "tests/app/app_test_env.h"

namespace {
struct GameOutput {
  std::string log;
  int exitCode;
};

// Starts the real game headless with its own settings folder.
GameOutput run_game(const std::string& args) {
  std::string home = make_test_config_home();
  std::string cmd = "cd '" + home + "' && SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null XDG_CONFIG_HOME='" + home +
                    "' XDG_DATA_HOME='" + home + "' '" EH_GAME_EXE "' " + args + " 2>&1";
  GameOutput run{"", -1};
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return run;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), p)) > 0) run.log.append(buf, n);
  int status = pclose(p);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  remove_folder(home);
  return run;
}

bool has(const GameOutput& r, const std::string& text) { return r.log.find(text) != std::string::npos; }
size_t at(const GameOutput& r, const std::string& text) { return r.log.find(text); }
}  // namespace

TEST(GameRun, StartsRunsAndShutsDownInOrder) {
  GameOutput r = run_game("-360 -novs -seed 42 -quit-after 30");
  EXPECT_EQ(r.exitCode, 0) << r.log;
  EXPECT_TRUE(has(r, "app path: '")) << r.log;
  EXPECT_TRUE(has(r, "init d3d ok (640x360)")) << r.log;
  EXPECT_TRUE(has(r, "Graphics quality: high")) << r.log;
  EXPECT_TRUE(has(r, "game_rnd_seed=42;")) << r.log;
  EXPECT_TRUE(has(r, "total start-up time: ")) << r.log;
  EXPECT_TRUE(has(r, "free video memory: ")) << r.log;
  EXPECT_LT(at(r, "init d3d ok"), at(r, "total start-up time"));
  EXPECT_LT(at(r, "total start-up time"), at(r, "closing..."));
  EXPECT_LT(at(r, "closing..."), at(r, "close d3d"));
  EXPECT_LT(at(r, "close d3d"), at(r, "closed all systems"));
}

TEST(GameRun, LowQualityIsLogged) {
  GameOutput r = run_game("-360 -gfx-low -quit-after 2");
  EXPECT_EQ(r.exitCode, 0) << r.log;
  EXPECT_TRUE(has(r, "Graphics quality: low")) << r.log;
}
