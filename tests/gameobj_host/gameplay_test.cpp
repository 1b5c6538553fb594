// The module's spells and creatures in a fixed flat world, driven through
// the engine's update calls and the module's own cast-by-name entry.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "effects/common_fx.h"
#include "gameobj_host/gameobj_functions.h"
#include "gameobj_host/gameobj_module.h"
#include "gameobj_host/object_lists.h"
#include "gameobj_host/player_base.h"
#include "gameobj_test_files.h"
#include "terrain/heightmap_data.h"

namespace {

using namespace HeightmapData;
typedef const char* (*CastSpellByName)(const char* name, float x, float z);

class GameplayTest : public ::testing::Test {
protected:
    GameObjTestFolder folder;
    CastSpellByName cast = nullptr;

    void SetUp() override {
        folder.writeSource("main.ls", "");
        std::string module = folder.binDir() + GAMEOBJ_MODULE_FILE;
        GameObjTestFolder::copyFile(GAMEOBJ_TEST_COMPLETE_MODULE, module);
        reset();
        for (Surface& s : surface) s.ground = GT_SOIL;
        reset_common_fx();
        load_gameobj_module("../compiler/", "main.ls");
        void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_NOLOAD);
        ASSERT_NE(handle, nullptr);
        auto lookup = reinterpret_cast<GetGameObjFuncByName>(dlsym(handle, "get_gameobj_func_by_name"));
        cast = reinterpret_cast<CastSpellByName>(lookup("cast_spell_by_name"));
        dlclose(handle);
        ASSERT_NE(cast, nullptr);
        gameobj_functions.init_gameobj();
        gameobj_functions.add_all_spells();
        gameobj_functions.toggle_mana_cheat();
        step(1);
    }
    void TearDown() override {
        gameobj_functions.close_gameobj();
        unload_gameobj_module();
        free_fx_ramps();
        local_player = nullptr;
    }
    void step(int updates) {
        for (int i = 0; i < updates; i++) {
            gameobj_functions.update_gameobj(0.05f);
            update_common_fx(0.05f);
        }
    }
    static float total_water() {
        float sum = 0;
        for (int i = 0; i < HMAP_CELLS; i++) sum += water_at(i).amount > 0 ? water_at(i).amount : 0;
        return sum;
    }
};

TEST_F(GameplayTest, SpellsReshapeTheGroundAndPourWater) {
    EXPECT_STREQ(cast("hill", 150.f, 128.f), "");
    EXPECT_STREQ(cast("hill", 150.f, 128.f), "not ready") << "the cooldown holds the second cast";
    EXPECT_STREQ(cast("pit", 105.f, 128.f), "");
    EXPECT_STREQ(cast("water_source", 128.f, 160.f), "");
    EXPECT_STREQ(cast("fault", 10.f, 10.f), "too far");
    EXPECT_STREQ(cast("nonsense", 1.f, 1.f), "unknown spell");
    step(80);  // the missiles fly, land, and the spring pours

    EXPECT_GT(target_hmap[cell_index(150, 128)], 5.f) << "a hill rises around the target";
    EXPECT_GT(target_hmap[cell_index(145, 128)], 1.f);
    EXPECT_EQ(target_hmap[cell_index(150, 150)], 0.f) << "and nowhere far from it";
    EXPECT_LT(target_hmap[cell_index(105, 128)], -1.f) << "a pit sinks";
    EXPECT_GT(total_water(), 10.f) << "the spring adds water";
    EXPECT_GT(water_at(cell_index(128, 160)).amount, 0.f);
}

TEST_F(GameplayTest, LavaPouredIntoTheSeaHardensToRock) {
    for (int z = 80; z < 120; z++)
        for (int x = 108; x < 148; x++) water_at(cell_index(x, z)).amount = 2.f;
    float before = total_water();
    EXPECT_STREQ(cast("volcano", 128.f, 100.f), "");
    step(100);
    EXPECT_GT(hmap[cell_index(128, 100)], 0.5f) << "rock where lava met the water";
    EXPECT_LT(total_water(), before);
}

TEST_F(GameplayTest, LightningKillsAWyvernWhichIsThenDeleted) {
    gameobj_functions.spawn_monster();
    ASSERT_EQ(WyvernMonster_list.num, 1);
    // Strike at the proximity bin the wyvern flies in until it falls: the
    // middle of a fine bin, or of a coarse one (16 units, shifted by 4).
    int strikes = 0;
    for (int tries = 0; tries < 400 && WyvernMonster_list.num > 0; tries++) {
        int bin = reinterpret_cast<GameObj*>(WyvernMonster_list[0])->proximityBin;
        float x = -1, z = -1;
        if (bin >= 0 && bin < 1024) x = float(bin % 32) * 8.f + 4.f, z = float(bin / 32) * 8.f + 4.f;
        if (bin >= 1024 && bin < 1280) x = float((bin - 1024) % 16) * 16.f + 4.f, z = float((bin - 1024) / 16) * 16.f + 4.f;
        if (x >= 0 && std::string(cast("lightning", x, z)).empty()) strikes++;
        step(2);
    }
    EXPECT_EQ(WyvernMonster_list.num, 0) << strikes << " strikes";
    EXPECT_EQ(deleted_gameobjs.num, 0) << "destroyed objects are deleted at the end of the update";
    EXPECT_GT(fx_bolts.size() + fx_glow_pool.parts.size(), 0) << "with its effects";
}

}  // namespace
