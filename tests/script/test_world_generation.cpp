// generate_world on a machine with every binding, driven by a test world
// script that uses each of them.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include "core/debug.h"
#include "gameobj_host/gameobj_functions.h"
#include "gameobj_host/module_hooks.h"
#include "gameobj_host/player_base.h"
#include "script/script_time_limits.h"
#include "script/world_generation.h"
#include "tests/script/world_gen_test_util.h"

using namespace HeightmapData;

namespace {

// A fingerprint of everything a world is made of.
size_t world_hash() {
  std::hash<std::string_view> h;
  size_t a = h(std::string_view(reinterpret_cast<const char*>(hmap), sizeof(hmap)));
  size_t b = h(std::string_view(reinterpret_cast<const char*>(surface), sizeof(surface)));
  size_t c = h(std::string_view(reinterpret_cast<const char*>(water), sizeof(water)));
  return a ^ (b * 31) ^ (c * 1009);
}

bool grids_ready_for_play() {
  return memcmp(target_hmap, hmap, sizeof(hmap)) == 0 && memcmp(tmpw, water, sizeof(water)) == 0;
}

class WorldGenerationTest : public WorldGenTest {
 protected:
  void SetUp() override {
    WorldGenTest::SetUp();
    set_error_message(nullptr);
  }
  void TearDown() override {
    set_error_message(nullptr);
    WorldGenTest::TearDown();
  }
  void loadTestWorld() { ASSERT_TRUE(sqbind::run_file(vm, WORLD_GEN_TEST_DATA "/world_gen_every_binding.nut")); }
  std::string generate(uint64_t seed, const char* kind) {
    game_rnd_seed = seed;
    return capture_log([&] { generate_world_in(vm, kind); });
  }
};

}  // namespace

TEST_F(WorldGenerationTest, SameSeedGivesTheSameWorld) {
  loadTestWorld();
  std::string log = generate(42, "game");
  EXPECT_FALSE(has_error_message()) << get_error_message();
  EXPECT_NE(log.find("game_rnd_seed=42;\n"), std::string::npos) << log;
  EXPECT_NE(log.find("generated world in "), std::string::npos) << log;
  size_t first = world_hash();
  float peak = *std::max_element(hmap, hmap + HMAP_CELLS);
  EXPECT_GT(peak, 1.0f) << "the script built land";
  EXPECT_TRUE(grids_ready_for_play());

  generate(42, "game");
  EXPECT_EQ(world_hash(), first);
  generate(43, "game");
  EXPECT_NE(world_hash(), first);
}

TEST_F(WorldGenerationTest, EachGenerationStartsFromAResetTerrain) {
  loadTestWorld();
  generate(42, "game");
  generate(42, "flat");
  EXPECT_FALSE(has_error_message());
  EXPECT_EQ(*std::max_element(hmap, hmap + HMAP_CELLS), 0.0f);
  EXPECT_EQ(*std::min_element(hmap, hmap + HMAP_CELLS), 0.0f);
  EXPECT_TRUE(grids_ready_for_play());
}

TEST_F(WorldGenerationTest, MissingGenerateWorldIsShownAndLeavesAFlatWorld) {
  run("function something_else() {}");
  hmap[5] = 3.0f;
  generate(1, "game");
  ASSERT_TRUE(has_error_message());
  EXPECT_STREQ(get_error_message(), "Error in world gen script:\nNo 'generate_world' function in script");
  EXPECT_EQ(hmap[5], 0.0f);
  EXPECT_TRUE(grids_ready_for_play());
}

TEST_F(WorldGenerationTest, AFailingScriptKeepsWhatItBuiltAndTheLaterStepsRun) {
  loadTestWorld();
  target_hmap[7] = 99.0f;
  std::string log = generate(5, "fail");
  ASSERT_TRUE(has_error_message());
  EXPECT_STREQ(get_error_message(), "Error in world gen script:\ntile must be power of 2 in add_voronoi_hills()");
  EXPECT_GT(*std::max_element(hmap, hmap + HMAP_CELLS), 0.0f) << "the noise added before the error stays";
  EXPECT_TRUE(grids_ready_for_play());
  EXPECT_NE(log.find("generated world in "), std::string::npos);
}

// A finite but huge persistence once ended with every height NaN and the
// generation reported as a success.
TEST_F(WorldGenerationTest, HeightsThatAreNoNumberFailTheCallAndTheGeneration) {
  EXPECT_EQ(error_of("add_simplex_noise(0, 26, 4, 5, 1e30);"),
            "add_simplex_noise() left non-finite heights (first at 0, 0)");
  HeightmapData::reset();
  ASSERT_TRUE(run_source(vm, "function generate_world(kind) {\n"
                             "  try { add_simplex_noise(0, 26, 4, 5, 1e30); } catch (e) {}\n"
                             "}"));
  generate(5, "game");
  EXPECT_STREQ(get_error_message(), "Error in world gen script:\ngenerate_world() left non-finite heights (first at 0, 0)");
  EXPECT_TRUE(std::all_of(hmap, hmap + HMAP_CELLS, [](float h) { return std::isfinite(h); }));
  EXPECT_TRUE(grids_ready_for_play());
}

TEST_F(WorldGenerationTest, AScriptErrorIsShownWithItsPlace) {
  loadTestWorld();
  std::string log = generate(5, "throw");
  std::string shown = get_error_message();
  EXPECT_EQ(shown.rfind("Error in world gen script:\ngeneration failed on purpose\nat ", 0), 0u) << shown;
  EXPECT_NE(shown.find("world_gen_every_binding.nut line 86 in generate_world()"), std::string::npos) << shown;
  EXPECT_NE(log.find("generation failed on purpose"), std::string::npos) << "the machine's report names the error";
}

TEST_F(WorldGenerationTest, TheKindReachesTheScript) {
  run("function generate_world(kind) { got <- kind; }");
  generate(1, "main_menu");
  EXPECT_STREQ(global("got").toString(), "main_menu");
}

namespace {

int objects_removed = 0;
void count_removal() { objects_removed++; }

// Records what the terrain looked like when the player was told.
struct RecordingPlayer : PlayerBase {
  float height_before = -1, height_after = -1;
  bool ready_after = false;
  void beforeWorldRegenerate() override { height_before = hmap[0]; }
  void afterWorldRegenerate() override {
    height_after = hmap[0];
    ready_after = grids_ready_for_play();
  }
};

}  // namespace

TEST_F(WorldGenerationTest, ObjectsGoFirstAndThePlayerHearsBeforeAndAfter) {
  run("function generate_world(kind) { apply_height_mask(HmapMask(7), null); }");
  hmap[0] = 3.0f;
  RecordingPlayer player;
  objects_removed = 0;
  gameobj_functions.remove_all_gameobj = &count_removal;
  local_player = &player;
  connect_lower_layers_to_module();
  generate(1, "game");
  local_player = nullptr;
  gameobj_functions.remove_all_gameobj = nullptr;
  connect_lower_layers_to_module();
  EXPECT_EQ(objects_removed, 1);
  EXPECT_EQ(player.height_before, 3.0f) << "told before the terrain is reset";
  EXPECT_EQ(player.height_after, 7.0f) << "told after the new world is in place";
  EXPECT_TRUE(player.ready_after);
}

// A script that never ends is stopped by the machine's watchdog, wherever the
// engine calls it from, and the machine stays usable.
TEST_F(WorldGenerationTest, EndlessScriptsAreStoppedAndTheMachineGoesOn) {
  float update = script_update_seconds(), load = script_load_seconds();
  set_script_time_limits(0.2f, 0.3f);
  sq_setcalltimelimit(vm, script_update_seconds());

  run("function generate_world(kind) { while (true) {} }");
  std::string log = generate(1, "game");
  EXPECT_NE(log.find("script ran too long (0.3 s)"), std::string::npos) << log;
  EXPECT_TRUE(has_error_message());
  EXPECT_TRUE(grids_ready_for_play());

  run("function update() { for (local i = 0; ; i++) {} }");
  sqbind::SqFunc<> perUpdate;
  perUpdate.bindRoot(vm, "update");
  log = capture_log([&] { EXPECT_THROW(perUpdate(), sqbind::SquirrelError); });
  EXPECT_NE(log.find("script ran too long (0.2 s)"), std::string::npos) << log;
  perUpdate.release();

  std::string path = ::testing::TempDir() + "endless_main.nut";
  FILE* f = fopen(path.c_str(), "w");
  ASSERT_NE(f, nullptr);
  fputs("try { while (true) {} } catch (e) {}\n", f);
  fclose(f);
  log = capture_log([&] { EXPECT_FALSE(sqbind::run_file(vm, path.c_str())); });
  EXPECT_NE(log.find("script ran too long (0.3 s)"), std::string::npos) << log;
  remove(path.c_str());

  set_script_time_limits(update, load);
  run("function generate_world(kind) { got <- kind; }");
  generate(1, "after");
  EXPECT_STREQ(global("got").toString(), "after");
}

#if !defined(__SANITIZE_ADDRESS__)
// Running out of memory in a world script is the script error "out of
// memory" and the machine goes on. Run in a child with a limited address
// space (the address sanitizer reserves too much for such a limit).
TEST_F(WorldGenerationTest, RunningOutOfMemoryIsAScriptError) {
  run("function generate_world(kind) { local a = []; while (true) a.append(HmapMask.fromHeight()); }");
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    long pages = 0;
    if (FILE* statm = fopen("/proc/self/statm", "r")) {
      if (fscanf(statm, "%ld", &pages) != 1) pages = 0;
      fclose(statm);
    }
    rlimit lim;
    getrlimit(RLIMIT_AS, &lim);
    lim.rlim_cur = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(300) << 20);
    setrlimit(RLIMIT_AS, &lim);
    std::string log = generate(1, "game");
    bool reported = log.find("out of memory") != std::string::npos && has_error_message();
    bool goesOn = run_source(vm, "function generate_world(kind) { got <- kind; }");
    if (goesOn) generate(1, "after");
    const char* verdict = !reported ? "not reported" : !goesOn || strcmp(global("got").toString(), "after") ? "stuck" : "ok";
    ssize_t n = write(fds[1], verdict, strlen(verdict));
    _exit(n > 0 ? 0 : 1);
  }
  close(fds[1]);
  char buf[64] = {0};
  ssize_t n = read(fds[0], buf, sizeof buf - 1);
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  EXPECT_STREQ(n > 0 ? buf : "", "ok");
}
#endif
