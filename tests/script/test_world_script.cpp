#include "script/world_script.h"
#include "script/script_machines.h"
#include "script/universe.h"
#include "tests/script/world_script_test_util.h"

namespace {

const char* const FULL_SCRIPT = R"(
  generated <- [];
  events <- [];
  updates <- 0.0;
  activations <- 0;
  flag_on <- true;
  flag_off <- 0;
  function generate_world(kind) { generated.append(kind); }
  function generate_universe() { return {worlds = [{name = "A"}, {name = "B"}]}; }
  function process_event(e) {
    if (e == "fail") throw "event failed";
    if (e == "index") return events.no_such_type;
    events.append(e);
  }
  function update_script(dt) { updates += dt; }
  function activate_current_world() { activations++; }
  function get_world_tooltip(o) { return "tip " + o; }
  function get_world_ctx_menu(o) { return [o, o]; }
)";

TEST_F(WorldScriptTest, OperationsReachTheScriptFunctions) {
  start(FULL_SCRIPT);
  activate_current_world();
  update_world_script(0.25f);
  update_world_script(0.5f);
  world_script_str_event("hello");
  run("ev <- {kind = 3};");
  world_script_event(global("ev"));
  EXPECT_EQ(eval("activations").toInt(), 1);
  EXPECT_FLOAT_EQ(eval("updates").toFloat(), 0.75f);
  EXPECT_STREQ(eval("events[0]").toString(), "hello");
  EXPECT_EQ(eval("events[1].kind").toInt(), 3);
  EXPECT_STREQ(get_world_tooltip(eval("7")).toString(), "tip 7");
  EXPECT_EQ(get_world_ctx_menu(eval("\"w\"")).size(), 2);
  EXPECT_EQ(error(), "");
}

TEST_F(WorldScriptTest, MissingFunctionsAreSkippedOrReported) {
  start("x <- 1;");
  activate_current_world();
  update_world_script(0.05f);
  EXPECT_EQ(error(), "") << "activation and update are optional";

  EXPECT_TRUE(get_world_tooltip(eval("1")).isNull());
  EXPECT_EQ(error(), "Error in world script:\nNo 'get_world_tooltip' function in script");
  EXPECT_TRUE(get_world_ctx_menu(eval("1")).isNull());
  EXPECT_EQ(error(), "Error in world script:\nNo 'get_world_ctx_menu' function in script");
  world_script_str_event("e");
  EXPECT_EQ(error(), "Error in world script:\nNo 'process_event' function in script");
}

TEST_F(WorldScriptTest, ScriptErrorsAreShownAndTheGameGoesOn) {
  start(FULL_SCRIPT);
  // The screen once said only "SqFunc<> call failed".
  world_script_str_event("fail");
  EXPECT_EQ(error(), "Error in world script:\nevent failed\nat gen/main.nut line 11 in process_event()");
  world_script_str_event("index");
  EXPECT_EQ(error(),
            "Error in world script:\nthe index 'no_such_type' does not exist\nat gen/main.nut line 12 in process_event()");
  set_error_message(nullptr);
  world_script_str_event("ok");
  EXPECT_EQ(eval("events.len()").toInt(), 1);
  EXPECT_EQ(error(), "");
}

TEST_F(WorldScriptTest, ScriptBoolReadsTruthinessOrTheDefault) {
  start(FULL_SCRIPT);
  EXPECT_EQ(get_world_script_bool("flag_on", 0), 1);
  EXPECT_EQ(get_world_script_bool("flag_off", 1), 0);
  EXPECT_EQ(error(), "");
  EXPECT_EQ(get_world_script_bool("never_defined", 1), 1);
  EXPECT_NE(error(), "");
  EXPECT_EQ(get_world_script_bool("never_defined", 0), 0);
}

TEST_F(WorldScriptTest, BoolFunctionsFallBackToTheDefault) {
  start("function yes() { return true; } function boom() { throw \"no\"; }");
  sqbind::SqFunc<bool> f;
  EXPECT_TRUE(call_bool_func(f, true));
  EXPECT_FALSE(call_bool_func(f, false));
  f.bindRoot(vm, "yes");
  EXPECT_TRUE(call_bool_func(f, false));
  f.bindRoot(vm, "boom");
  EXPECT_TRUE(call_bool_func(f, true));
  EXPECT_EQ(error(), "Error in world script:\nno\nat gen/main.nut line 1 in boom()");
  f.release();
}

TEST_F(WorldScriptTest, FailingMainFileIsShownAndTheMachineStays) {
  start("x <- ;");
  EXPECT_EQ(error().rfind("Error in world gen script:\n", 0), 0u) << error();
  EXPECT_TRUE(world_script_functions.generate_world.isNull());
}

TEST_F(WorldScriptTest, UniverseIsFetchedIntoTheRootTableAndReleased) {
  start(FULL_SCRIPT);
  make_universe();
  EXPECT_EQ(worlds.size(), 2);
  EXPECT_STREQ(eval("::universe.worlds[1].name").toString(), "B");
  run("cur_world <- ::universe.worlds[0];");

  release_universe_data();
  EXPECT_TRUE(universe.isNull());
  EXPECT_TRUE(worlds.isNull());
  EXPECT_TRUE(cur_game_info.isNull());
  EXPECT_TRUE(eval("::universe").isNull());
  EXPECT_TRUE(eval("::cur_world").isNull());
}

TEST_F(WorldScriptTest, UniverseWithoutWorldsCannotBeFetched) {
  start(FULL_SCRIPT);
  universe = eval("{planets = []}");
  EXPECT_THROW(fetch_universe_data(), sqbind::SquirrelError);
  EXPECT_TRUE(worlds.isNull());
  release_universe_data();
}

TEST_F(WorldScriptTest, LeavingAWorldWithoutUniverseMakesANewGameWorld) {
  start(FULL_SCRIPT);
  leave_world();
  EXPECT_EQ(eval("generated.len()").toInt(), 1);
  EXPECT_STREQ(eval("generated[0]").toString(), "game");

  make_universe();
  run("leave_world();");  // also from the script
  EXPECT_EQ(eval("generated.len()").toInt(), 1) << "with a universe only the mode changes";
}

TEST_F(WorldScriptTest, ReloadRebindsTheFunctionsAndRegeneratesTheWorld) {
  start(FULL_SCRIPT);
  run("kept <- 5;");
  write_main(std::string(FULL_SCRIPT) + "function get_world_tooltip(o) { return \"new \" + o; }", 2000000);
  EXPECT_TRUE(reload_script_machine(SCRIPT_MACHINE_WORLD));
  EXPECT_STREQ(get_world_tooltip(eval("1")).toString(), "new 1");
  EXPECT_STREQ(eval("generated[0]").toString(), "game");
  EXPECT_EQ(eval("kept").toInt(), 5) << "globals survive a reload";
}

TEST_F(WorldScriptTest, MapIndicesWrap) {
  start("");
  EXPECT_EQ(eval("make_map_index(257, -1)").toInt(), 0xFF01);
  EXPECT_EQ(eval("map_index_x(0xFF01)").toInt(), 1);
  EXPECT_EQ(eval("map_index_z(0xFF01)").toInt(), 255);
  EXPECT_EQ(eval("map_index_z(-1)").toInt(), 255);
}

TEST_F(WorldScriptTest, IntMapCellsWrapInEveryAccess) {
  start("");
  run("m <- IntMap(5);");
  EXPECT_EQ(eval("m.get(300, -1)").toInt(), 5);
  run("m[65536] = 7;");
  EXPECT_EQ(eval("m.get(0, 0)").toInt(), 7);
  EXPECT_EQ(eval("m[0]").toInt(), 7);
  run("m.set(-1, -1, 9);");
  EXPECT_EQ(eval("m[65535]").toInt(), 9);
  EXPECT_EQ(eval("m[-1]").toInt(), 9);
  EXPECT_EQ(eval("m.get(255, 255)").toInt(), 9);
}

TEST_F(WorldScriptTest, IntMapFromAFunctionVisitsEveryCellXFastest) {
  start("");
  run("order <- []; m <- IntMap(function(x, z) { if (order.len() < 3) order.append([x, z]); return x * 1000 + z; });");
  EXPECT_EQ(eval("m.get(3, 4)").toInt(), 3004);
  EXPECT_EQ(eval("m[make_map_index(255, 255)]").toInt(), 255255);
  EXPECT_EQ(eval("order[1][0] * 10 + order[1][1]").toInt(), 10);  // (1, 0) second
  EXPECT_FALSE(run("IntMap(function(x, z) { throw \"bad cell\"; });"));
  EXPECT_FALSE(run("IntMap(\"text\");"));
}

}  // namespace
