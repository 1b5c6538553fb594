#pragma once
// A world machine made the game's way (init_world_script) from a main
// script written into a temporary program folder, with saved games going to
// a temporary data folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include "core/debug.h"
#include "core/paths.h"
#include "script/universe.h"
#include "script/world_script.h"

class WorldScriptTest : public ::testing::Test {
 protected:
  std::string root;
  std::string savedAppPath;
  HSQUIRRELVM vm = nullptr;

  void SetUp() override {
    char tmpl[] = "/tmp/eh_world_script_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root = tmpl;
    std::filesystem::create_directories(root + "/gen");
    std::filesystem::create_directories(root + "/data");
    savedAppPath = app_path;
    snprintf(app_path, sizeof(app_path), "%s/", root.c_str());
    setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
    set_error_message(nullptr);
  }
  void TearDown() override {
    close_world_script();
    snprintf(app_path, sizeof(app_path), "%s", savedAppPath.c_str());
    std::filesystem::remove_all(root);
    set_error_message(nullptr);
  }

  void write_main(const std::string& src, int64_t mtime = 1000000) {
    std::string path = root + "/gen/main.nut";
    std::ofstream(path) << src;
    struct utimbuf t = {time_t(mtime), time_t(mtime)};
    utime(path.c_str(), &t);
  }
  // Writes the main script and creates the world machine from it.
  void start(const std::string& src) {
    write_main(src);
    init_world_script();
    vm = get_world_script_vm();
    ASSERT_NE(vm, nullptr);
  }
  // Creates the world machine from the game's own scripts.
  void start_game_scripts() {
    snprintf(app_path, sizeof(app_path), "%s", EH_GAME_DATA_DIR);
    init_world_script();
    vm = get_world_script_vm();
    ASSERT_NE(vm, nullptr);
  }
  // Runs script source in the world machine; false when it fails.
  bool run(const std::string& src) {
    if (SQ_FAILED(sq_compilebuffer(vm, src.c_str(), SQInteger(src.size()), "test.nut", SQTrue))) return false;
    sq_pushroottable(vm);
    bool ok = SQ_SUCCEEDED(sq_call(vm, 1, SQFalse, SQTrue));
    sq_poptop(vm);
    return ok;
  }
  sqbind::SqObject global(const char* name) {
    sq_pushroottable(vm);
    sqbind::SqObject rootTable(vm, -1);
    sq_poptop(vm);
    return rootTable.getSlot(name);
  }
  // The value of a script expression.
  sqbind::SqObject eval(const std::string& expr) {
    EXPECT_TRUE(run("result <- (" + expr + ");")) << expr;
    return global("result");
  }
  std::string error() { return get_error_message(); }
  // The script's generate_universe result held the engine's way, with a game
  // description called name.
  void make_universe(const std::string& name = "game") {
    universe = world_script_functions.generate_universe();
    ASSERT_TRUE(run("info <- {name = \"" + name + "\"};"));
    cur_game_info = global("info");
    fetch_universe_data();
  }
};
