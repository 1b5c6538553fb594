// The module's spells and creatures in a fixed flat world, driven through
// the engine's update calls and the module's own cast-by-name entry.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "app/game_mode.h"
#include "core/optional_services.h"
#include "effects/common_fx.h"
#include "gameobj_host/gameobj_functions.h"
#include "gameobj_host/gameobj_module.h"
#include "gameobj_host/object_lists.h"
#include "gameobj_host/player_base.h"
#include "gameobj_test_files.h"
#include "render/scene_view.h"
#include "terrain/heightmap_data.h"

namespace {

using namespace HeightmapData;
typedef const char* (*CastSpellByName)(const char* name, float x, float z);
typedef const char* (*CastSpellAtCrosshair)(const char* name);

// The module's answer to "health left" about one of its objects.
constexpr int QUERY_HEALTH = 101;

GameMode* mode_asked_for = nullptr;
void record_mode(GameMode* mode) { mode_asked_for = mode; }
GameMode* the_warp_mode() { return warp_mode; }

class GameplayTest : public ::testing::Test {
protected:
    GameObjTestFolder folder;
    CastSpellByName cast = nullptr;
    CastSpellAtCrosshair cast_at_crosshair = nullptr;

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
        cast_at_crosshair = reinterpret_cast<CastSpellAtCrosshair>(lookup("cast_spell_at_crosshair"));
        dlclose(handle);
        ASSERT_NE(cast, nullptr);
        ASSERT_NE(cast_at_crosshair, nullptr);
        gameobj_functions.init_gameobj();
        gameobj_functions.add_all_spells();
        gameobj_functions.toggle_mana_cheat();
        step(1);
    }
    void TearDown() override {
        clear_optional_services();
        cur_view_itm = Matrix44{};
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
    static __m128 player_pos() {
        __m128 p;
        return *local_player->getPos(&p);
    }
    // The player flies (as far as the ground lets it) to `to`.
    static void fly_player_to(__m128 to) {
        __m128 move = _mm_sub_ps(to, player_pos());
        Matrix44 camera{};
        local_player->fly(0.05f, 1.f, &move, &camera, 0);
    }
    // The camera at `eye` looking at `at`.
    static void look(__m128 eye, __m128 at) {
        alignas(16) float e[4], a[4];
        _mm_store_ps(e, eye);
        _mm_store_ps(a, at);
        float f[3] = {a[0] - e[0], a[1] - e[1], a[2] - e[2]};
        float len = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
        cur_view_itm = Matrix44{};
        for (int i = 0; i < 3; i++) cur_view_itm.m[2][i] = f[i] / len, cur_view_itm.m[3][i] = e[i];
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

TEST_F(GameplayTest, AThunderstormOverThePlayerStrikesTheWyvernHuntingThere) {
    gameobj_functions.spawn_monster();
    ASSERT_EQ(WyvernMonster_list.num, 1);
    GameObj* wyvern = reinterpret_cast<GameObj*>(WyvernMonster_list[0]);
    int health = wyvern->query(QUERY_HEALTH);
    alignas(16) float at[4];
    _mm_store_ps(at, player_pos());
    EXPECT_STREQ(cast("thunderstorm", at[0], at[2]), "");
    // The wyvern circles the player and dives at it while the storm lasts.
    for (int i = 0; i < 300 && WyvernMonster_list.num == 1 && wyvern->query(QUERY_HEALTH) == health; i++) step(1);
    EXPECT_TRUE(WyvernMonster_list.num == 0 || wyvern->query(QUERY_HEALTH) < health);
}

TEST_F(GameplayTest, FireballAtTheCrosshairChasesTheWyvernAndBurstsInTheAir) {
    gameobj_functions.spawn_monster();  // 40 units east of the player, 30 up
    ASSERT_EQ(WyvernMonster_list.num, 1);
    __m128 eye = _mm_setr_ps(128.f, 34.f, 88.f, 1.f);
    fly_player_to(eye);
    look(eye, _mm_setr_ps(168.f, 30.f, 128.f, 1.f));
    GameObj* wyvern = reinterpret_cast<GameObj*>(WyvernMonster_list[0]);
    int health = wyvern->query(QUERY_HEALTH);
    EXPECT_STREQ(cast_at_crosshair("fireball"), "");
    step(60);  // the wyvern flies at the player meanwhile; the fireball follows
    ASSERT_EQ(WyvernMonster_list.num, 1);
    EXPECT_LT(wyvern->query(QUERY_HEALTH), health);
    for (int i = 0; i < HMAP_CELLS; i++)
        ASSERT_EQ(target_hmap[i], 0.f) << "no crater under the burst, cell " << i;
}

TEST_F(GameplayTest, BuildingsFallWhenTheGroundUnderThemMovesTooFar) {
    auto shift_ground = [](float by) {
        for (int i = 0; i < HMAP_CELLS; i++) hmap[i] += by, target_hmap[i] += by;
    };
    shift_ground(5.f);  // high ground, where strongholds stand
    local_player->afterWorldRegenerate();
    step(2);
    int standing = CastleObject_list.num + GuardTower_list.num;
    ASSERT_GE(GuardTower_list.num, 1);
    shift_ground(1.f);
    step(2);
    EXPECT_EQ(CastleObject_list.num + GuardTower_list.num, standing) << "a small settling leaves them standing";

    size_t dust = fx_blend_pool.parts.size();
    shift_ground(-3.f);
    step(2);
    EXPECT_EQ(CastleObject_list.num + GuardTower_list.num, 0) << "every one fell";
    EXPECT_GT(fx_blend_pool.parts.size(), dust) << "into rubble and dust";
}

TEST_F(GameplayTest, AVillageHouseFallsWhenTheGroundUnderItMovesTooFar) {
    // Cells of house ground within 4 of (x, z).
    auto house_cells = [](int x, int z) {
        int n = 0;
        for (int dz = -4; dz <= 4; dz++)
            for (int dx = -4; dx <= 4; dx++) n += surface[cell_index(x + dx, z + dz)].ground == GT_HOUSE;
        return n;
    };
    placeHouse(105, 128, 0, target_hmap, false);  // where the pit opens
    placeHouse(128, 150, 0, target_hmap, false);  // on ground that settles a little
    memcpy(hmap, target_hmap, sizeof(hmap));
    int cells = house_cells(105, 128);
    ASSERT_GT(cells, 8);
    ASSERT_EQ(house_cells(128, 150), cells);
    step(2);
    for (int dz = -6; dz <= 6; dz++)
        for (int dx = -6; dx <= 6; dx++) target_hmap[cell_index(128 + dx, 150 + dz)] -= 1.f;

    size_t dust = fx_blend_pool.parts.size();
    float roof = 0.f;
    for (int dz = -4; dz <= 4; dz++)
        for (int dx = -4; dx <= 4; dx++) roof = std::max(roof, target_hmap[cell_index(105 + dx, 128 + dz)]);
    EXPECT_STREQ(cast("pit", 105.f, 128.f), "");
    step(40);
    EXPECT_EQ(house_cells(105, 128), 0) << "the house over the pit fell";
    EXPECT_GT(fx_blend_pool.parts.size(), dust) << "into rubble and dust";
    float heap = -1e9f;
    for (int dz = -4; dz <= 4; dz++)
        for (int dx = -4; dx <= 4; dx++) heap = std::max(heap, target_hmap[cell_index(105 + dx, 128 + dz)]);
    EXPECT_LT(heap, roof - 2.f) << "its walls sank into a heap, not carried down whole";
    EXPECT_EQ(house_cells(128, 150), cells) << "a small settling leaves it standing";
    for (int dz = -4; dz <= 4; dz++)
        for (int dx = -4; dx <= 4; dx++)
            EXPECT_EQ(surface[cell_index(105 + dx, 128 + dz)].marks & MARK_HOUSE, 0u) << "the place is free again";
}

TEST_F(GameplayTest, UsingAPortalStartsTheWarp) {
    optional_services.set_game_mode = &record_mode;
    optional_services.get_warp_mode = &the_warp_mode;
    mode_asked_for = nullptr;
    EXPECT_STREQ(cast("use_portal", 0.f, 0.f), "This world has no portal");

    local_player->afterWorldRegenerate();  // the flat world gets its objects
    step(1);
    ASSERT_GE(WorldPortal_list.num, 1);
    // Search the portal's proximity bin for a spot near enough to use it.
    int bin = reinterpret_cast<GameObj*>(WorldPortal_list[0])->proximityBin;
    ASSERT_TRUE(bin >= 0 && bin < 1280);
    float x0 = bin < 1024 ? float(bin % 32) * 8.f : float((bin - 1024) % 16) * 16.f - 4.f;
    float z0 = bin < 1024 ? float(bin / 32) * 8.f : float((bin - 1024) / 16) * 16.f - 4.f;
    float size = bin < 1024 ? 8.f : 16.f;
    std::string result = "not tried";
    for (float z = z0; z <= z0 + size && !result.empty(); z += 4.f)
        for (float x = x0; x <= x0 + size && !result.empty(); x += 4.f) {
            fly_player_to(_mm_setr_ps(x, 4.f, z, 1.f));
            result = cast("use_portal", 0.f, 0.f);
        }
    EXPECT_EQ(result, "");
    EXPECT_EQ(mode_asked_for, warp_mode);
}

TEST_F(GameplayTest, AValueThatIsNotANumberInTheGridsIsReportedWithItsPlace) {
    water_at(cell_index(3, 4)).amount = NAN;
    ::testing::internal::CaptureStdout();
    step(101);  // the watch looks every 5 s
    std::string log = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("error: water holds a value that is not a number at cell (3, 4)"), std::string::npos) << log;
    EXPECT_EQ(log.find("hmap holds"), std::string::npos) << "the heights are fine";
}

}  // namespace
