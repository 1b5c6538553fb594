// A module build whose code faults when it runs is swapped in and made to
// fault in the player's update or in a function a script calls: the game must
// go on with the build before.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include "core/debug.h"
#include "gameobj_host/gameobj_functions.h"
#include "gameobj_host/gameobj_module.h"
#include "gameobj_host/gameobj_rebuild.h"
#include "gameobj_host/module_call_guard.h"
#include "gameobj_host/module_class_layouts.h"
#include "gameobj_host/object_lists.h"
#include "gameobj_host/player_base.h"
#include "gameobj_test_files.h"
#include "script/sqbind.h"
#include "terrain/heightmap_data.h"

namespace {

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Test modules built from the real sources by the rebuild script, with the
// player's update made to fault as GAMEOBJ_TEST_FAULT says: "n" writes
// through a null pointer, "l" loops for ever, "e" throws; "s" makes the
// script function count_gameobjs write through a null pointer. The grown build
// also has a 64 KB member in front of the player's, the shifted build a float
// there, which keeps the class's size.
const std::string faulty_module = GAMEOBJ_TEST_MODULE_DIR "gameobj_faulty.dll";    // build 7
const std::string grown_module = GAMEOBJ_TEST_MODULE_DIR "gameobj_grown.dll";      // build 8
const std::string shifted_module = GAMEOBJ_TEST_MODULE_DIR "gameobj_shifted.dll";  // build 9

unsigned player_size_in(const std::string& module) {
    int fd = open(module.c_str(), O_RDONLY);
    ModuleClassLayouts layouts = read_module_class_layouts(fd);
    close(fd);
    const GameObjClassLayout* player = find_class_layout(layouts, "Player");
    return player ? player->size : 0;
}

std::string visual_log_text() {
    std::string text;
    // Long lines are wrapped at a blank.
    for (const VisualLogLine& line : get_visual_log()) text += std::string(line.c_str()) + " ";
    return text;
}

class ModuleFaultTest : public ::testing::Test {
protected:
    GameObjTestFolder folder;

    std::string binFile(const char* name) const { return folder.binDir() + name; }

    void SetUp() override {
        ASSERT_TRUE(GameObjTestFolder::exists(faulty_module));
        folder.writeSource("main.ls", "");
        GameObjTestFolder::copyFile(GAMEOBJ_TEST_COMPLETE_MODULE, binFile(GAMEOBJ_MODULE_FILE));
        set_error_message(nullptr);
        clear_visual_log();
    }
    void TearDown() override {
        unsetenv("GAMEOBJ_TEST_FAULT");
        if (is_gameobj_module_loaded()) {
            gameobj_functions.close_gameobj();
            unload_gameobj_module();
        }
        local_player = nullptr;
        set_module_call_time_limit(5000);
        set_error_message(nullptr);
    }

    void loadAndPopulate() { load_module_into_soil_world(); }
    void swapIn(const std::string& module) {
        GameObjTestFolder::copyFile(module, binFile(GAMEOBJ_NEW_MODULE_FILE));
        ASSERT_TRUE(reload_gameobj(false)) << get_error_message();
        ASSERT_EQ(local_player->query(QUERY_MODULE_BUILD), 7);
    }
    // One update that faults; the next frame boundary recovers.
    void faultInUpdate(const char* kind) {
        setenv("GAMEOBJ_TEST_FAULT", kind, 1);
        testing::internal::CaptureStdout();
        gameobj_functions.update_gameobj(0.05f);
        EXPECT_TRUE(module_fault_pending());
        gameobj_functions.update_spells_ui(0.05f);  // skipped, not run
        tend_gameobj_module(0.05f);
        testing::internal::GetCapturedStdout();
        unsetenv("GAMEOBJ_TEST_FAULT");
        EXPECT_FALSE(module_fault_pending());
    }
};

TEST_F(ModuleFaultTest, AFaultAfterASwapGoesBackToThePreviousBuild) {
    loadAndPopulate();
    PlayerBase* player = local_player;
    int objects = GameObj_list.num;
    const struct {
        const char* kind;
        const char* says;
    } faults[] = {
        {"n", "segmentation fault at address (nil) in Player::update(float) ("},
        {"e", "exception std::runtime_error escaped: test fault"},
        {"l", "no return after 0.3 s of processor time, running Player::update(float) ("},
    };
    set_module_call_time_limit(300);
    for (const auto& fault : faults) {
        swapIn(faulty_module);
        faultInUpdate(fault.kind);
        std::string message = get_error_message();
        EXPECT_NE(message.find(std::string("gameobj fault in update_gameobj: ") + fault.says), std::string::npos)
            << message;
        if (fault.kind[0] != 'e') {
            EXPECT_NE(message.find("objects/player.ls:"), std::string::npos) << message;
        }
        EXPECT_NE(message.find("went back to the previous build; gameobj_faulted.dll is kept"), std::string::npos)
            << message;
        EXPECT_NE(visual_log_text().find(fault.says), std::string::npos) << visual_log_text();

        // The same objects run the previous build's code.
        EXPECT_EQ(local_player, player);
        EXPECT_EQ(GameObj_list.num, objects);
        for (GameObj* o : GameObj_list) EXPECT_EQ(o->query(QUERY_MODULE_BUILD), 1);
        gameobj_functions.update_gameobj(0.05f);
        EXPECT_FALSE(module_fault_pending());
        EXPECT_TRUE(GameObjTestFolder::exists(binFile(GAMEOBJ_FAULTED_MODULE_FILE)));
        EXPECT_FALSE(GameObjTestFolder::exists(binFile(GAMEOBJ_TRIAL_MODULE_FILE)));
        EXPECT_FALSE(reload_gameobj(false)) << "the faulted build is not loaded again";
    }

    // The next start uses the last good build.
    gameobj_functions.close_gameobj();
    unload_gameobj_module();
    loadAndPopulate();
    EXPECT_EQ(local_player->query(QUERY_MODULE_BUILD), 1);
    EXPECT_FALSE(gameobj_module_on_trial());
}

TEST_F(ModuleFaultTest, AFaultInAModuleFunctionAScriptCallsGoesBackToThePreviousBuild) {
    loadAndPopulate();
    swapIn(faulty_module);
    HSQUIRRELVM vm = sqbind::open_vm(1024);
    gameobj_functions.bind_gameobj(vm);
    const char source[] = "return count_gameobjs();";
    ASSERT_TRUE(SQ_SUCCEEDED(sq_compilebuffer(vm, source, SQInteger(strlen(source)), "test", SQTrue)));
    sq_pushroottable(vm);
    setenv("GAMEOBJ_TEST_FAULT", "s", 1);
    testing::internal::CaptureStdout();
    EXPECT_TRUE(SQ_FAILED(sq_call(vm, 1, SQTrue, SQFalse))) << "the script sees an error";
    unsetenv("GAMEOBJ_TEST_FAULT");
    EXPECT_TRUE(module_fault_pending());
    tend_gameobj_module(0.05f);
    testing::internal::GetCapturedStdout();
    sqbind::close_vm(vm);
    std::string message = get_error_message();
    EXPECT_NE(message.find("gameobj fault in count_gameobjs: segmentation fault"), std::string::npos) << message;
    EXPECT_NE(message.find("went back to the previous build"), std::string::npos) << message;
    EXPECT_EQ(local_player->query(QUERY_MODULE_BUILD), 1);
}

TEST_F(ModuleFaultTest, AClassThatGrewIsRefusedUntilTheNextStart) {
    loadAndPopulate();
    GameObjTestFolder::copyFile(grown_module, binFile(GAMEOBJ_NEW_MODULE_FILE));
    EXPECT_FALSE(reload_gameobj(false));
    std::string message = get_error_message();
    EXPECT_NE(message.find("class Player changed its layout"), std::string::npos) << message;
    EXPECT_EQ(local_player->query(QUERY_MODULE_BUILD), 1);
    EXPECT_TRUE(GameObjTestFolder::exists(binFile(GAMEOBJ_NEW_MODULE_FILE)));

    // A new start makes its objects with the new layout.
    gameobj_functions.close_gameobj();
    unload_gameobj_module();
    loadAndPopulate();
    EXPECT_EQ(local_player->query(QUERY_MODULE_BUILD), 8);
    EXPECT_TRUE(gameobj_module_on_trial());
    gameobj_functions.update_gameobj(0.05f);
}

TEST_F(ModuleFaultTest, AClassWhoseMembersMovedWithinItsSizeIsRefused) {
    unsigned size = player_size_in(GAMEOBJ_TEST_COMPLETE_MODULE);
    ASSERT_NE(size, 0u);
    ASSERT_EQ(player_size_in(shifted_module), size) << "the added member no longer fits into padding";
    loadAndPopulate();
    GameObjTestFolder::copyFile(shifted_module, binFile(GAMEOBJ_NEW_MODULE_FILE));
    EXPECT_FALSE(reload_gameobj(false));
    std::string message = get_error_message();
    EXPECT_NE(message.find("class Player changed its layout (pos moved from byte "), std::string::npos) << message;
    EXPECT_EQ(local_player->query(QUERY_MODULE_BUILD), 1);
}

TEST_F(ModuleFaultTest, AStartUpModuleThatFaultsFallsBackToTheShippedOne) {
    GameObjTestFolder::copyFile(faulty_module, binFile(GAMEOBJ_MODULE_FILE));
    GameObjTestFolder::copyFile(GAMEOBJ_TEST_COMPLETE_MODULE, binFile(GAMEOBJ_SHIPPED_MODULE_FILE));
    loadAndPopulate();
    EXPECT_TRUE(gameobj_module_on_trial());
    faultInUpdate("n");
    EXPECT_EQ(local_player->query(QUERY_MODULE_BUILD), 1);
    EXPECT_NE(std::string(get_error_message()).find("went back to the shipped module"), std::string::npos)
        << get_error_message();
    EXPECT_EQ(read_file(binFile(GAMEOBJ_MODULE_FILE)), read_file(GAMEOBJ_TEST_COMPLETE_MODULE));
    EXPECT_TRUE(GameObjTestFolder::exists(binFile(GAMEOBJ_FAULTED_MODULE_FILE)));
}

using ModuleFaultDeathTest = ModuleFaultTest;

TEST_F(ModuleFaultDeathTest, AFaultWithNoBuildToGoBackToEndsTheGame) {
    GameObjTestFolder::copyFile(faulty_module, binFile(GAMEOBJ_MODULE_FILE));
    loadAndPopulate();
    EXPECT_FALSE(gameobj_module_on_trial());
    setenv("GAMEOBJ_TEST_FAULT", "n", 1);
    EXPECT_EXIT(gameobj_functions.update_gameobj(0.05f), testing::ExitedWithCode(FATAL_EXIT_CODE),
                "gameobj fault in update_gameobj: segmentation fault .* in Player::update.*\n"
                "There is no earlier build of the module to go back to.");
}

}  // namespace
