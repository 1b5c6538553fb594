// generate_universe on the world machine: the universe the script returns,
// the new game description, and the failures.
#include <gtest/gtest.h>
#include "core/debug.h"
#include "script/universe.h"
#include "script/world_gen_bindings.h"
#include "script/world_generation.h"
#include "script/world_script.h"
#include "terrain/game_random.h"
#include "tests/script/script_test_util.h"

namespace {

class UniverseGenerationTest : public ::testing::Test {
 protected:
  HSQUIRRELVM vm = nullptr;
  void SetUp() override {
    ASSERT_TRUE(world_script_rvm.init(1024));
    vm = world_script_rvm.vm;
    bind_world_gen_ramps(vm);
    bind_hmap_mask(vm);
    bind_universe(vm);
    bind_world_gen_functions(vm);
    set_error_message(nullptr);
  }
  void TearDown() override {
    release_universe_data();
    world_script_rvm.close();
    set_error_message(nullptr);
  }
  std::string generate(uint64_t seed) {
    game_rnd_seed = seed;
    return capture_log([] { generate_universe(); });
  }
};

}  // namespace

TEST_F(UniverseGenerationTest, TheScriptsUniverseBecomesCurrentWithANewGameDescription) {
  ASSERT_TRUE(run_source(vm, "function generate_universe() { return { worlds = [{ name = \"A\", seed = irnd() }], tag = 5 }; }"));
  std::string log = generate(321);
  EXPECT_FALSE(has_error_message()) << get_error_message();
  EXPECT_NE(log.find("game_rnd_seed=321;\n"), std::string::npos) << log;
  EXPECT_NE(log.find("generated universe in "), std::string::npos);
  ASSERT_FALSE(universe.isNull());
  EXPECT_EQ(universe.getSlot("tag").toInt(), 5);
  EXPECT_EQ(worlds.size(), 1);
  ASSERT_TRUE(run_source(vm, "seen <- universe.worlds[0].name;"));
  std::string name = cur_game_info.getSlotString("name");
  EXPECT_EQ(name.rfind("Started ", 0), 0u) << name;
  EXPECT_EQ(name.substr(name.size() - 14), " in v0.17 DEMO") << name;
  // "C" locale date and time: mm/dd/yy hh:mm:ss
  EXPECT_EQ(name.size(), std::string("Started 12/07/26 21:50:00 in v0.17 DEMO").size()) << name;

  // A second universe replaces the first.
  ASSERT_TRUE(run_source(vm, "function generate_universe() { return { worlds = [] }; }"));
  generate(1);
  EXPECT_TRUE(universe.getSlot("worlds").size() == 0);
}

TEST_F(UniverseGenerationTest, MissingFunctionOrWorldsIsShownAndLeavesNoUniverse) {
  generate(1);
  EXPECT_STREQ(get_error_message(), "Error in world gen script:\nNo 'generate_universe' function in script");
  EXPECT_TRUE(universe.isNull());
  EXPECT_TRUE(cur_game_info.isNull());

  set_error_message(nullptr);
  ASSERT_TRUE(run_source(vm, "function generate_universe() { throw \"no universe today\"; }"));
  std::string log = generate(1);
  EXPECT_STREQ(get_error_message(), "Error in world gen script:\nno universe today\nat test.nut line 1 in generate_universe()");
  EXPECT_NE(log.find("no universe today"), std::string::npos);

  set_error_message(nullptr);
  ASSERT_TRUE(run_source(vm, "function generate_universe() { return { name = \"no worlds\" }; }"));
  generate(1);
  ASSERT_TRUE(has_error_message());
  EXPECT_EQ(std::string(get_error_message()).rfind("Error in world gen script:\n", 0), 0u);
  EXPECT_TRUE(universe.isNull()) << "a universe without worlds is not kept";
  EXPECT_TRUE(worlds.isNull());
  ASSERT_TRUE(run_source(vm, "if (universe != null) throw \"root slot still set\";"));
}
