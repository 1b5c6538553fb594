// The game's world goals, run in the game's own world script with the
// game-object module's bindings stood in for by script functions.
#include "script/world_script.h"
#include "tests/script/world_script_test_util.h"

namespace {

const char* const MODULE_STAND_INS = R"(
  counts <- {CastleObject = 1, GuardTower = 2, SpellObject = 3, WyvernMonster = 0};
  messages <- [];
  spawned <- 0;
  function count_objects(c) { return c in counts ? counts[c] : 0; }
  function show_message(t) { messages.append(t); }
  function spawn_wyverns(n) { spawned += n; }
  cur_world <- {name = "Testholt", type = "islands", seed = 5, danger = 3, visited = false, time_spent = 0.0};
  built_world_type = "islands";
)";

class WorldScriptGoalsTest : public WorldScriptTest {
 protected:
  void SetUp() override {
    WorldScriptTest::SetUp();
    start_game_scripts();
    ASSERT_TRUE(run(MODULE_STAND_INS));
  }
  std::string last_message() { return eval("messages.len() ? messages.top() : \"\"").toString(); }
};

TEST_F(WorldScriptGoalsTest, CastleWorldIsClearedWhenItsStrongholdsFall) {
  activate_current_world();
  EXPECT_EQ(last_message(), "Bring down the castle and its guard towers");
  EXPECT_TRUE(eval("cur_world.visited").toBool());
  world_script_str_event("GuardTower");
  world_script_str_event("wyvern_killed");  // not this world's goal
  world_script_str_event("GuardTower");
  EXPECT_EQ(last_message(), "2 of 3 strongholds down");
  EXPECT_FALSE(eval("\"cleared\" in cur_world").toBool());

  world_script_str_event("CastleObject");
  EXPECT_TRUE(eval("cur_world.cleared").toBool());
  EXPECT_EQ(last_message(), "Testholt is cleared! A portal leads on.");
  world_script_str_event("GuardTower");  // nothing more to count
  EXPECT_EQ(eval("messages.len()").toInt(), 4);
  std::string tip = get_world_tooltip(eval("cur_world")).toString();
  EXPECT_NE(tip.find("Cleared"), std::string::npos) << tip;
  EXPECT_EQ(error(), "");
}

TEST_F(WorldScriptGoalsTest, WorldsLackingWhatTheirGoalNeedsTakeTheNext) {
  run("counts.CastleObject = 0; counts.GuardTower = 0;");
  activate_current_world();
  EXPECT_STREQ(eval("world_goal.kind").toString(), "spells");
  EXPECT_EQ(eval("world_goal.left").toInt(), 3);

  run("counts.SpellObject = 0; counts.WyvernMonster = 1;");
  activate_current_world();
  EXPECT_STREQ(eval("world_goal.kind").toString(), "wyverns");
  EXPECT_EQ(eval("world_goal.left").toInt(), 2) << "danger 3 asks for two";
  EXPECT_EQ(eval("spawned").toInt(), 1) << "one more wyvern is brought in";
  world_script_str_event("wyvern_killed");
  world_script_str_event("wyvern_killed");
  EXPECT_TRUE(eval("cur_world.cleared").toBool());

  // With everything present, the kinds of world between them use all goals.
  run("kinds <- {}; foreach (t in world_type_names) kinds[make_world_goal(t, "
      "{castles = 1, towers = 1, spells = 1, wyverns = 1}, 1).kind] <- true;");
  EXPECT_EQ(eval("kinds.len()").toInt(), 3);
  EXPECT_EQ(error(), "");
}

TEST_F(WorldScriptGoalsTest, MenuWorldHasNoGoalAndAClearedWorldStaysCleared) {
  run("built_world_type = null;");
  activate_current_world();
  EXPECT_TRUE(eval("world_goal").isNull());
  world_script_str_event("CastleObject");
  EXPECT_FALSE(eval("\"cleared\" in cur_world").toBool());

  run("built_world_type = \"islands\"; cur_world.cleared <- true;");
  activate_current_world();
  EXPECT_TRUE(eval("world_goal").isNull());
  EXPECT_EQ(last_message(), "Testholt is already cleared");
  world_script_str_event("reseed");
  EXPECT_FALSE(eval("cur_world.cleared").toBool()) << "a reseeded world is new";
  EXPECT_EQ(error(), "");
}

}  // namespace
