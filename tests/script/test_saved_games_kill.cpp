// A save killed at any moment leaves the slot holding the old or the new
// game, whole: a child saves two games in turn until it is killed.
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include "core/folder_swap.h"
#include "script/saved_games.h"
#include "tests/script/world_script_test_util.h"

namespace {

const char* const UNIVERSE_SCRIPT = R"(
  function generate_universe() {
    local w = [];
    for (local i = 0; i < 40; i++) w.append({name = "World " + i, seed = i * 31, links = [i, i + 1]});
    return {worlds = w};
  }
)";

using Bytes = std::vector<char>;

Bytes read_bytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), {});
}

struct Game {
  sqbind::SqObject info, uni;
  Bytes infoBytes, uniBytes;
};

double now_us() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

class SavedGamesKillTest : public WorldScriptTest {
 protected:
  static constexpr int SLOT = 3;
  Game games[2];

  void SetUp() override {
    WorldScriptTest::SetUp();
    start(UNIVERSE_SCRIPT);
    cur_game_slot = SLOT;
    for (int g = 0; g < 2; g++) {
      make_universe(g == 0 ? "first" : "second, with a longer name");
      if (g == 1) {
        ASSERT_TRUE(run("::universe.worlds.resize(30);"));
      }
      games[g].info = cur_game_info;
      games[g].uni = global("universe");
      use(g);
      ASSERT_TRUE(save_game()) << error();
      games[g].infoBytes = read_bytes(saved_game_path(SLOT, "info").str);
      games[g].uniBytes = read_bytes(saved_game_path(SLOT, "uni").str);
    }
    ASSERT_NE(games[0].uniBytes, games[1].uniBytes);
  }
  void TearDown() override {
    folder_exchange_enabled = true;
    cur_game_slot = -1;
    for (Game& g : games) {
      g.info.release();
      g.uni.release();
    }
    WorldScriptTest::TearDown();
  }
  void use(int g) {
    universe = games[g].uni;
    cur_game_info = games[g].info;
  }
  // Which game the slot holds, byte for byte; -1 for none or a mix.
  int slot_game() {
    Bytes info = read_bytes(saved_game_path(SLOT, "info").str), uni = read_bytes(saved_game_path(SLOT, "uni").str);
    for (int g = 0; g < 2; g++)
      if (info == games[g].infoBytes && uni == games[g].uniBytes) return g;
    return -1;
  }
};

TEST_F(SavedGamesKillTest, ASaveKilledAtAnyMomentLeavesTheOldOrTheNewGame) {
  // Kill delays spread over the child's first two saves, timed in a child
  // each way: a forked child pays for its copied pages, and the marked
  // renames cost more than the folder exchange. The delay starts once the
  // child runs, so a slow fork on a loaded machine does not eat it.
  const int KILLS_PER_WAY = 260;
  int outcomes[2][2] = {};
  double two_saves_us[2] = {};
  for (int way = 0; way < 2; way++) {
    folder_exchange_enabled = way == 0;
    for (int trial = 0; trial < 3; trial++) {
      int timing[2];
      ASSERT_EQ(pipe(timing), 0);
      fflush(stdout);
      pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        double start = now_us();
        for (int g = 0; g < 2; g++) {
          use(g);
          save_game();
        }
        double us = now_us() - start;
        _exit(write(timing[1], &us, sizeof us) == sizeof us ? 0 : 1);
      }
      close(timing[1]);
      double us = 0;
      ASSERT_EQ(read(timing[0], &us, sizeof us), ssize_t(sizeof us));
      close(timing[0]);
      int status;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      two_saves_us[way] = std::max(two_saves_us[way], us);
    }
    for (int k = 0; k < KILLS_PER_WAY; k++) {
      int running[2];
      ASSERT_EQ(pipe(running), 0);
      fflush(stdout);
      pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        close(running[0]);
        char c = 1;
        if (write(running[1], &c, 1) != 1) _exit(1);
        for (int g = 0;; g ^= 1) {
          use(g);
          save_game();
        }
      }
      close(running[1]);
      char c;
      ASSERT_EQ(read(running[0], &c, 1), 1);
      close(running[0]);
      usleep(useconds_t(1.2 * two_saves_us[way] * k / KILLS_PER_WAY));
      kill(child, SIGKILL);
      int status;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      release_universe_data();
      ASSERT_TRUE(load_saved_game(SLOT)) << "kill " << k << ": " << error();
      int g = slot_game();
      ASSERT_GE(g, 0) << "kill " << k << " left a mixed slot";
      EXPECT_STREQ(cur_game_info.getSlotString("name"), games[g].info.getSlotString("name"));
      outcomes[way][g]++;
    }
  }
  printf("two saves in a child: %.0f us / %.0f us; kills with folder exchange: %d (first %d, second %d), with marked renames: %d "
         "(first %d, second %d)\n",
         two_saves_us[0], two_saves_us[1], outcomes[0][0] + outcomes[0][1], outcomes[0][0], outcomes[0][1], outcomes[1][0] + outcomes[1][1],
         outcomes[1][0], outcomes[1][1]);
  // Kills landed throughout the loop, not only before or after it.
  for (int way = 0; way < 2; way++) {
    EXPECT_GT(outcomes[way][0], 0);
    EXPECT_GT(outcomes[way][1], 0);
  }
}

}  // namespace
