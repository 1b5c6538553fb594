// The whole cycle with the real module sources and compiler: a source file is
// edited, the poll runs the rebuild script, and the next reload swaps the
// module under the live objects.
#include <gtest/gtest.h>
#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include "core/debug.h"
#include "gameobj_host/gameobj_functions.h"
#include "gameobj_host/gameobj_module.h"
#include "gameobj_host/gameobj_rebuild.h"
#include "gameobj_host/gameobj_sources.h"
#include "gameobj_host/object_lists.h"
#include "gameobj_host/player_base.h"
#include "gameobj_test_files.h"

namespace {

namespace fs = std::filesystem;

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Replaces the first `from` in the file by `to` and dates the file ahead, so
// the change is seen within the same second.
void edit_source(const std::string& path, const std::string& from, const std::string& to, long ahead) {
    std::string text = read_file(path);
    size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    std::ofstream(path, std::ios::binary) << text;
    GameObjTestFolder::setFileTime(path, ahead);
}

std::string rebuild_and_wait() {
    testing::internal::CaptureStdout();
    for (int i = 0; poll_gameobj_rebuild() && i < 6000; i++) usleep(20000);
    return testing::internal::GetCapturedStdout();
}

class GameObjRebuildCycleTest : public ::testing::Test {
protected:
    GameObjTestFolder folder;

    void SetUp() override {
        fs::copy(GAMEOBJ_TEST_SOURCE_DIR, folder.sourceDir(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        GameObjTestFolder::copyFile(GAMEOBJ_TEST_COMPLETE_MODULE, folder.binDir() + GAMEOBJ_MODULE_FILE);
        setenv("GAMEOBJ_ENGINE_DIR", GAMEOBJ_TEST_ENGINE_DIR, 1);
        setenv("GAMEOBJ_BUILD_ID", "7", 1);
        // What is tested is the cycle, not the code: unoptimised builds are
        // several times faster.
        setenv("GAMEOBJ_CXXFLAGS", "-O0", 1);
        set_error_message(nullptr);
    }
    void TearDown() override {
        if (is_gameobj_module_loaded()) {
            gameobj_functions.close_gameobj();
            unload_gameobj_module();
        }
        unsetenv("GAMEOBJ_ENGINE_DIR");
        unsetenv("GAMEOBJ_BUILD_ID");
        unsetenv("GAMEOBJ_CXXFLAGS");
        set_error_message(nullptr);
    }
};

TEST_F(GameObjRebuildCycleTest, AnEditedSourceIsRebuiltAndSwappedIn) {
    load_gameobj_module("../compiler/", "main.ls");
    gameobj_functions.init_gameobj();
    ASSERT_NE(local_player, nullptr);
    EXPECT_GE(gameobj_sources.num, 4) << "main.ls and the files it imports";
    EXPECT_FALSE(poll_gameobj_rebuild());

    // A broken edit: the compiler's errors reach the screen, naming the
    // edited file, and the running module stays.
    std::string player = folder.sourceDir() + "objects/player.ls";
    edit_source(player, "return \"Player\";", "return \"Player\"", 30);
    std::string log = rebuild_and_wait();
    EXPECT_NE(log.find("!!! failed to rebuild gameobj DLL (code 1)"), std::string::npos) << log;
    EXPECT_NE(std::string(get_error_message()).find(player), std::string::npos) << get_error_message();
    EXPECT_NE(std::string(get_error_message()).find("error"), std::string::npos);
    EXPECT_FALSE(GameObjTestFolder::exists(folder.binDir() + GAMEOBJ_NEW_MODULE_FILE));
    EXPECT_FALSE(reload_gameobj(false));
    EXPECT_STREQ(local_player->getClassName(), "Player");

    // The fix builds; the next reload runs the edited code on the same player.
    PlayerBase* same_player = local_player;
    edit_source(player, "return \"Player\"", "return \"EditedPlayer\";", 60);
    log = rebuild_and_wait();
    EXPECT_NE(log.find("=== DLL rebuild done in "), std::string::npos) << log;
    EXPECT_FALSE(has_error_message()) << get_error_message();
    ASSERT_TRUE(GameObjTestFolder::exists(folder.binDir() + GAMEOBJ_NEW_MODULE_FILE));

    testing::internal::CaptureStdout();
    EXPECT_TRUE(reload_gameobj(false));
    log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("gameobj build 7 linked"), std::string::npos) << log;
    EXPECT_EQ(local_player, same_player);
    EXPECT_STREQ(local_player->getClassName(), "EditedPlayer");
    EXPECT_EQ(local_player->query(QUERY_MODULE_BUILD), 7);
    gameobj_functions.update_gameobj(0.05f);
}

}  // namespace
