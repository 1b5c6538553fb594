#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include "core/debug.h"
#include "gameobj_host/gameobj_functions.h"
#include "gameobj_host/gameobj_module.h"
#include "gameobj_host/gameobj_rebuild.h"
#include "gameobj_host/gameobj_sources.h"
#include "gameobj_host/module_screens.h"
#include "gameobj_host/module_state.h"
#include "gameobj_host/object_lists.h"
#include "gameobj_host/player_base.h"
#include "gameobj_test_files.h"
#include "script/sqbind_vm.h"
#include "terrain/heightmap_data.h"

namespace {

const std::string COMPLETE = GAMEOBJ_TEST_COMPLETE_MODULE;  // build 1
const std::string MODULE_DIR = GAMEOBJ_TEST_MODULE_DIR;
const std::string BUILD2 = MODULE_DIR + "gameobj_build2.dll";

using ::testing::ExitedWithCode;

void* vtable_of(BaseObject* o) {
    void* v;
    memcpy(&v, static_cast<void*>(o), sizeof(v));
    return v;
}

int class_index_of(BaseObject* o) {
    for (int i = 1; i < GAMEOBJ_CLASS_COUNT; i++)
        if (gameobj_class_vtables[i] == vtable_of(o)) return i;
    return 0;
}

class GameObjModuleTest : public ::testing::Test {
protected:
    GameObjTestFolder folder;

    std::string moduleFile() const { return folder.binDir() + GAMEOBJ_MODULE_FILE; }
    std::string newModuleFile() const { return folder.binDir() + GAMEOBJ_NEW_MODULE_FILE; }

    void SetUp() override {
        folder.writeSource("main.ls", "");
        GameObjTestFolder::copyFile(COMPLETE, moduleFile());
    }

    void TearDown() override {
        tooltip_screen = nullptr;  // a test's own screen is gone by now
        if (is_gameobj_module_loaded()) {
            if (gameobj_functions.close_gameobj) gameobj_functions.close_gameobj();
            unload_gameobj_module();
        }
        ASSERT_EQ(GameObj_list.num, 0) << "the module deletes what it made";
        local_player = nullptr;
    }

    void loadAndPopulate() {
        ASSERT_NO_FATAL_FAILURE(load_module_into_soil_world());
        ASSERT_GE(TreeObject_list.num, 2);
    }
    int ownedSpells() const {
        int n = 0;
        for (Spell* s : spell_grid) n += s != nullptr;
        return n;
    }
};

TEST_F(GameObjModuleTest, LoadBindsEveryFunctionAndTheClassTable) {
    testing::internal::CaptureStdout();
    load_gameobj_module("../compiler/", "main.ls");
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("gameobj build 1 linked"), std::string::npos) << "link_gui runs at the end of the bind";

    void* pointers[GAMEOBJ_FUNCTION_COUNT];
    memcpy(pointers, &gameobj_functions, sizeof(pointers));
    for (int i = 0; i < GAMEOBJ_FUNCTION_COUNT; i++) EXPECT_NE(pointers[i], nullptr) << GAMEOBJ_FUNCTION_NAMES[i];
    EXPECT_EQ(gameobj_class_vtables[0], nullptr);
    EXPECT_NE(gameobj_class_vtables[1], nullptr);  // Player
    ASSERT_EQ(gameobj_sources.num, 1);
    EXPECT_EQ(std::string(gameobj_sources[0].path), folder.sourceDir() + "main.ls");

    // Calls through the table run the module.
    HeightmapData::hmap[HeightmapData::cell_index(3, 7)] = 4;
    HeightmapData::hmap[HeightmapData::cell_index(4, 7)] = 8;
    EXPECT_FLOAT_EQ(gameobj_functions.get_land_height(3.5f, 7.0f), 6.0f);
    HeightmapData::hmap[HeightmapData::cell_index(3, 7)] = 0;
    HeightmapData::hmap[HeightmapData::cell_index(4, 7)] = 0;
    EXPECT_FALSE(gameobj_functions.update_spells_ui_mouse(0.05f));
}

TEST_F(GameObjModuleTest, UnloadForgetsTheModuleAndItsSources) {
    load_gameobj_module("../compiler/", "main.ls");
    unload_gameobj_module();
    EXPECT_FALSE(is_gameobj_module_loaded());
    EXPECT_EQ(gameobj_functions.update_gameobj, nullptr);
    EXPECT_EQ(gameobj_functions.bind_gameobj, nullptr);
    EXPECT_EQ(gameobj_sources.num, 0);
    EXPECT_EQ(gameobj_sources.data, nullptr);
}

TEST_F(GameObjModuleTest, ObjectsStandInTheirListsAndBins) {
    loadAndPopulate();
    EXPECT_EQ(Player_list.num, 1);
    EXPECT_EQ(reinterpret_cast<PlayerBase*>(Player_list[0]), local_player);
    for (GameObj* o : GameObj_list) EXPECT_EQ(o->proximityBin, NO_PROXIMITY_BIN) << o->getClassName();

    gameobj_functions.update_gameobj(0.05f);
    for (GameObj* o : {reinterpret_cast<GameObj*>(TreeObject_list[0]), static_cast<GameObj*>(local_player)})
        EXPECT_GE(o->proximityBin, 0) << o->getClassName();

    // Destroyed objects leave their lists and bins at the next update.
    int trees = TreeObject_list.num;
    GameObj* tree = reinterpret_cast<GameObj*>(TreeObject_list[0]);
    tree->destroy();
    EXPECT_EQ(TreeObject_list.num, trees);
    gameobj_functions.update_gameobj(0.05f);
    EXPECT_EQ(TreeObject_list.num, trees - 1);
    EXPECT_EQ(deleted_gameobjs.num, 0);

    gameobj_functions.remove_all_gameobj();
    EXPECT_GT(ownedSpells(), 0);
    EXPECT_EQ(GameObj_list.num, 1 + ownedSpells()) << "the player and the spells the player owns stay";
}

TEST_F(GameObjModuleTest, PlayerOperationsRunInTheModule) {
    loadAndPopulate();
    __m128 move = _mm_setr_ps(3, -50, 4, 0);
    local_player->fly(0.05f, 0.4f, &move, nullptr, 0);
    alignas(16) float p[4];
    __m128 out;
    EXPECT_EQ(local_player->getPos(&out), &out);
    _mm_store_ps(p, out);
    EXPECT_FLOAT_EQ(p[0], 131);
    EXPECT_FLOAT_EQ(p[1], 2) << "kept above the ground";
    EXPECT_FLOAT_EQ(p[2], 132);
    EXPECT_STREQ(local_player->getClassName(), "Player");
}

TEST_F(GameObjModuleTest, ReloadSwapsTheModuleUnderLiveObjects) {
    loadAndPopulate();
    GameObj* tree = reinterpret_cast<GameObj*>(TreeObject_list[1]);
    tree->destroy();
    struct Before {
        int classIndex;
        int destroyState;
        void* vtable;
    };
    std::map<GameObj*, Before> before;
    for (GameObj* o : GameObj_list) {
        EXPECT_EQ(o->query(QUERY_MODULE_BUILD), 1);
        before[o] = {class_index_of(o), o->destroyState, vtable_of(o)};
        EXPECT_NE(before[o].classIndex, 0);
    }

    GameObjTestFolder::copyFile(BUILD2, newModuleFile());
    testing::internal::CaptureStdout();
    EXPECT_TRUE(reload_gameobj(false));
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("gameobj reload ok"), std::string::npos) << log;
    EXPECT_FALSE(GameObjTestFolder::exists(newModuleFile()));

    ASSERT_EQ(int(before.size()), GameObj_list.num);
    for (GameObj* o : GameObj_list) {
        ASSERT_NE(vtable_of(o), before[o].vtable) << "the object got the new module's table";
        EXPECT_EQ(vtable_of(o), gameobj_class_vtables[before[o].classIndex]);
        EXPECT_EQ(o->query(QUERY_MODULE_BUILD), 2) << "virtual calls run the new module";
        EXPECT_EQ(o->destroyState, before[o].destroyState);
    }
    EXPECT_EQ(tree->destroyState, OBJ_DESTROYED);
    EXPECT_STREQ(local_player->getClassName(), "Player");

    int trees = TreeObject_list.num;
    gameobj_functions.update_gameobj(0.05f);
    EXPECT_EQ(TreeObject_list.num, trees - 1);
}

TEST_F(GameObjModuleTest, ReloadWithoutARebuiltModuleKeepsTheCurrentOne) {
    loadAndPopulate();
    void* update = reinterpret_cast<void*>(gameobj_functions.update_gameobj);
    EXPECT_FALSE(reload_gameobj(false));
    EXPECT_EQ(reinterpret_cast<void*>(gameobj_functions.update_gameobj), update);

    // Forced, the present module is loaded again and the objects follow.
    EXPECT_TRUE(reload_gameobj(true));
    EXPECT_TRUE(is_gameobj_module_loaded());
    for (GameObj* o : GameObj_list) EXPECT_EQ(o->query(QUERY_MODULE_BUILD), 1);
    EXPECT_TRUE(GameObjTestFolder::exists(moduleFile()));
}

TEST_F(GameObjModuleTest, NoReloadWhileARebuildRuns) {
    folder.writeSource("main.ls", "import unit\n");
    folder.writeSource("unit.ls", "");
    folder.writeSource(GAMEOBJ_REBUILD_SCRIPT, "sleep 0.3\n");
    loadAndPopulate();
    GameObjTestFolder::copyFile(BUILD2, newModuleFile());
    GameObjTestFolder::setFileTime(folder.sourceDir() + "unit.ls", 30);

    testing::internal::CaptureStdout();
    EXPECT_FALSE(reload_gameobj(false)) << "this poll starts the rebuild";
    EXPECT_TRUE(gameobj_rebuild_running());
    EXPECT_FALSE(reload_gameobj(false));
    int waited = 0;
    while (gameobj_rebuild_running() && waited++ < 4000) {
        usleep(5000);
        poll_gameobj_rebuild();
    }
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(GameObjTestFolder::exists(newModuleFile()));
    EXPECT_TRUE(reload_gameobj(false));
    EXPECT_EQ(local_player->query(QUERY_MODULE_BUILD), 2);
}

int run_int(HSQUIRRELVM vm, const char* source) {
    SQInteger result = -1;
    EXPECT_TRUE(SQ_SUCCEEDED(sq_compilebuffer(vm, source, SQInteger(strlen(source)), "test", SQTrue)));
    sq_pushroottable(vm);
    EXPECT_TRUE(SQ_SUCCEEDED(sq_call(vm, 1, SQTrue, SQTrue)));
    sq_getinteger(vm, -1, &result);
    sq_pop(vm, 2);
    return int(result);
}

TEST_F(GameObjModuleTest, ScriptBindingsAreRenewedWithTheModule) {
    loadAndPopulate();
    HSQUIRRELVM vm = sqbind::open_vm(1024);
    gameobj_functions.bind_gameobj(vm);
    EXPECT_EQ(run_int(vm, "return count_gameobjs();"), GameObj_list.num);

    GameObjTestFolder::copyFile(BUILD2, newModuleFile());
    ASSERT_TRUE(reload_gameobj(false));
    gameobj_functions.bind_gameobj(vm);  // the same classes, the new module's code
    gameobj_functions.close_gameobj();
    EXPECT_EQ(run_int(vm, "return count_gameobjs();"), 0);
    sqbind::close_vm(vm);
}

struct CountingScreen : BaseGuiScreen {
    int detached = 0;
    void detachFromModule() override { detached++; }
};

BaseGuiScreen* make_counting_screen() { return nullptr; }

TEST_F(GameObjModuleTest, UnbindDetachesLiveScreensAndForgetsFactories) {
    load_gameobj_module("../compiler/", "main.ls");
    CountingScreen screen;
    tooltip_screen = &screen;
    create_tooltip_screen = &make_counting_screen;
    create_universe_screen = &make_counting_screen;
    EXPECT_TRUE(reload_gameobj(true));
    EXPECT_EQ(screen.detached, 1);
    EXPECT_EQ(tooltip_screen, &screen) << "the screen itself lives on";
    EXPECT_EQ(create_tooltip_screen, nullptr);
    EXPECT_EQ(create_universe_screen, nullptr);
}

TEST_F(GameObjModuleTest, ARebuiltModuleTakesTheModuleNameOnceItRanCleanly) {
    load_gameobj_module("../compiler/", "main.ls");
    GameObjTestFolder::copyFile(BUILD2, newModuleFile());
    std::remove(moduleFile().c_str());
    EXPECT_TRUE(reload_gameobj(false));
    EXPECT_TRUE(gameobj_module_on_trial());
    EXPECT_FALSE(GameObjTestFolder::exists(moduleFile())) << "not before its trial";
    tend_gameobj_module(GAMEOBJ_TRIAL_SECONDS / 2);
    EXPECT_TRUE(gameobj_module_on_trial());
    tend_gameobj_module(GAMEOBJ_TRIAL_SECONDS / 2);
    EXPECT_FALSE(gameobj_module_on_trial());
    EXPECT_TRUE(GameObjTestFolder::exists(moduleFile()));
    EXPECT_FALSE(GameObjTestFolder::exists(folder.binDir() + GAMEOBJ_TRIAL_MODULE_FILE));
}

TEST_F(GameObjModuleTest, AFailedFileSwapStillLoadsThePresentModule) {
    loadAndPopulate();
    std::filesystem::create_directory(newModuleFile());  // cannot take the module's name
    testing::internal::CaptureStdout();
    EXPECT_FALSE(reload_gameobj(false));
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("gameobj reload failed"), std::string::npos) << log;
    EXPECT_TRUE(is_gameobj_module_loaded());
    EXPECT_EQ(local_player->query(QUERY_MODULE_BUILD), 1);
    std::filesystem::remove(newModuleFile());
}

// ---- rebuilt modules that cannot bind: the running one stays ----

TEST_F(GameObjModuleTest, AModuleThatFailsAnyCheckLeavesTheRunningOneInPlace) {
    const struct {
        std::string file;
        const char* reason;
    } refused[] = {
        {MODULE_DIR + "not_a_module.dll", "invalid gameobj_new.dll"},
        {MODULE_DIR + "gameobj_missing_name.dll", "no \"spawn_monster\" function in gameobj_new.dll"},
        {MODULE_DIR + "gameobj_missing_link_gui.dll", "no \"link_gui\" function in gameobj_new.dll"},
        {MODULE_DIR + "gameobj_74_classes.dll", "gameobj classes changed, need restart"},
        {GAMEOBJ_TEST_ENGINE_DIR "/compiler/main.ls", "can't load gameobj_new.dll"},
    };
    loadAndPopulate();
    void* update = reinterpret_cast<void*>(gameobj_functions.update_gameobj);
    void* playerTable = vtable_of(reinterpret_cast<BaseObject*>(local_player));
    long age = 100;
    for (const auto& module : refused) {
        GameObjTestFolder::copyFile(module.file, newModuleFile());
        GameObjTestFolder::setFileTime(newModuleFile(), -age--);  // each build newer than the last
        set_error_message(nullptr);
        testing::internal::CaptureStdout();
        EXPECT_FALSE(reload_gameobj(false)) << module.file;
        EXPECT_FALSE(reload_gameobj(false)) << "tried once";
        std::string log = testing::internal::GetCapturedStdout();
        EXPECT_EQ(log.find("gameobj reload failed"), log.rfind("gameobj reload failed")) << log;
        EXPECT_NE(log.find("gameobj reload failed"), std::string::npos) << log;
        EXPECT_STREQ(get_error_message(), module.reason);
        EXPECT_TRUE(GameObjTestFolder::exists(newModuleFile())) << "left for inspection";
        EXPECT_EQ(reinterpret_cast<void*>(gameobj_functions.update_gameobj), update);
        EXPECT_EQ(vtable_of(reinterpret_cast<BaseObject*>(local_player)), playerTable);
        EXPECT_EQ(local_player->query(QUERY_MODULE_BUILD), 1);
        gameobj_functions.update_gameobj(0.05f);
    }
    std::ifstream kept(moduleFile(), std::ios::binary), built(COMPLETE, std::ios::binary);
    EXPECT_TRUE(std::equal(std::istreambuf_iterator<char>(kept), {}, std::istreambuf_iterator<char>(built), {}));

    // The next good build replaces it.
    GameObjTestFolder::copyFile(BUILD2, newModuleFile());
    GameObjTestFolder::setFileTime(newModuleFile(), 5);
    EXPECT_TRUE(reload_gameobj(false));
    EXPECT_EQ(local_player->query(QUERY_MODULE_BUILD), 2);
    set_error_message(nullptr);
}

TEST_F(GameObjModuleTest, AnObjectOfAClassTheNewModuleLacksRefusesTheReload) {
    load_gameobj_module("../compiler/", "main.ls");
    GameObj* stranger = new GameObj();  // the engine's own class: in no module table
    GameObj_list.append(&stranger);
    void* table = vtable_of(stranger);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(reload_gameobj(true));
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("gameobj reload failed"), std::string::npos) << log;
    EXPECT_STREQ(get_error_message(), "cannot find object vtable");
    EXPECT_EQ(vtable_of(stranger), table);
    EXPECT_TRUE(is_gameobj_module_loaded());
    GameObj_list.erase(GameObj_list.num - 1, 1);
    delete stranger;
    set_error_message(nullptr);
}

// ---- failures that stop the program ----

using GameObjModuleDeathTest = GameObjModuleTest;

TEST_F(GameObjModuleDeathTest, AMissingModuleFileStops) {
    std::remove(moduleFile().c_str());
    EXPECT_EXIT(load_gameobj_module("../compiler/", "main.ls"), ExitedWithCode(100), "can't load gameobj\\.dll");
}

TEST_F(GameObjModuleDeathTest, ALibraryWithoutTheLookupsIsInvalid) {
    GameObjTestFolder::copyFile(MODULE_DIR + "not_a_module.dll", moduleFile());
    EXPECT_EXIT(load_gameobj_module("../compiler/", "main.ls"), ExitedWithCode(100), "invalid gameobj\\.dll");
}

TEST_F(GameObjModuleDeathTest, AMissingFunctionStopsWithItsName) {
    GameObjTestFolder::copyFile(MODULE_DIR + "gameobj_missing_name.dll", moduleFile());
    EXPECT_EXIT(load_gameobj_module("../compiler/", "main.ls"), ExitedWithCode(100),
                "no \"spawn_monster\" function in gameobj\\.dll");
}

TEST_F(GameObjModuleDeathTest, AChangedClassCountStopsOnTheFirstLoad) {
    GameObjTestFolder::copyFile(MODULE_DIR + "gameobj_74_classes.dll", moduleFile());
    EXPECT_EXIT(load_gameobj_module("../compiler/", "main.ls"), ExitedWithCode(100),
                "gameobj classes changed, need restart");
}

}  // namespace
