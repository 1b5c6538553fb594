// Whole journeys through the module's menus with a small universe script:
// a world chosen and changed on the map, saved, and found again after the
// main menu; a damaged slot beside good ones; a reload in the middle of
// play. The game modes' switches are done by hand, as the modes would.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include "app/game_mode.h"
#include "app/input.h"
#include "app/lower_layer_hooks.h"
#include "core/optional_services.h"
#include "core/debug.h"
#include "core/memory_streams.h"
#include "gameobj_host/gameobj_functions.h"
#include "gameobj_host/gameobj_module.h"
#include "gameobj_host/gameobj_rebuild.h"
#include "gameobj_host/module_screens.h"
#include "gameobj_host/module_state.h"
#include "gameobj_host/object_lists.h"
#include "gameobj_host/player_base.h"
#include "gameobj_test_files.h"
#include "gui/gui.h"
#include "render/device.h"
#include "render/scene_view.h"
#include "script/save_data.h"
#include "script/saved_games.h"
#include "script/universe.h"
#include "script/world_generation.h"
#include "script/world_script.h"
#include "terrain/game_random.h"
#include "terrain/heightmap_data.h"

namespace {

// Three worlds in a row across the middle of a 1000-unit map; the "rename"
// action of a world's menu changes the current world.
const char* const UNIVERSE_SCRIPT = R"(
function generate_universe() {
  local list = [];
  foreach (i, x in [200.0, 500.0, 800.0])
    list.append({id = i, name = "World " + i, type = "flat", seed = i * 77, x = x, y = 500.0,
                 danger = i + 1, visited = false, links = []});
  return {worlds = list, size = 1000.0};
}
function generate_world(kind) {}
function get_world_tooltip(w) { return w.name + "\nFlat\nDanger: " + w.danger; }
function get_world_ctx_menu(w) {
  return [{text = "Travel to " + w.name, action = "travel"}, {text = "Rename", action = "rename"}];
}
function process_event(e) { if (e == "rename") ::cur_world.name = "Renamed " + ::cur_world.id; }
)";

// The module's answer to "health left" about one of its objects.
constexpr int QUERY_HEALTH = 101;

GameMode* mode_asked_for = nullptr;
void record_mode(GameMode* mode) { mode_asked_for = mode; }

class MenuFlowTest : public ::testing::Test {
protected:
    GameObjTestFolder folder;

    virtual void writeScripts() {
        std::filesystem::create_directories(folder.binDir() + "gen");
        std::ofstream(folder.binDir() + "gen/main.nut") << UNIVERSE_SCRIPT;
    }
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", (folder.binDir() + "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (folder.binDir() + "data").c_str(), 1);
        folder.writeSource("main.ls", "");
        writeScripts();
        GameObjTestFolder::copyFile(GAMEOBJ_TEST_COMPLETE_MODULE, folder.binDir() + GAMEOBJ_MODULE_FILE);
        d3d_wd = 1280;
        d3d_ht = 720;
        connect_lower_layers_to_app();
        clear_input();
        should_close_game_menu = false;
        set_error_message(nullptr);
        load_gameobj_module("../compiler/", "main.ls");
        gameobj_functions.init_new_gui();
        init_world_script();
        ASSERT_NE(get_world_script_vm(), nullptr) << get_error_message();
    }
    void TearDown() override {
        clear_optional_services();
        gameobj_functions.close_game_menu();
        destroy_queued_gui_elements();
        if (local_player) gameobj_functions.close_gameobj();
        local_player = nullptr;
        release_universe_data();
        close_world_script();
        unload_gameobj_module();
        clear_input();
        cur_game_slot = -1;
        should_close_game_menu = false;
        set_error_message(nullptr);
    }

    // The screen's buttons, in tree order.
    static std::vector<BaseGuiElement*> buttons(BaseGuiScreen* screen) {
        std::vector<BaseGuiElement*> out;
        auto walk = [&](auto& self, BaseGuiElement* el) -> void {
            if (el->hasBehavior(&button_behavior)) out.push_back(el);
            for (BaseGuiElement* c : el->children) self(self, c);
        };
        if (screen && screen->root) walk(walk, screen->root);
        return out;
    }
    void press(int type, int key, float x, float y) { push_input_event(type, key, 0, 0, x, y); }
    void update() {
        ASSERT_NE(cur_game_screen, nullptr);
        cur_game_screen->restyle();
        gameobj_functions.update_game_menu(0.05f);
        clear_input();
        destroy_queued_gui_elements();
    }
    void clickAt(float x, float y, int button = VK_LBUTTON) {
        ASSERT_NE(cur_game_screen, nullptr);
        cur_game_screen->restyle();
        press(INPUT_MOUSE_MOVE, 0, x, y);
        press(INPUT_BUTTON_DOWN, button, x, y);
        press(INPUT_BUTTON_UP, button, x, y);
        update();
    }
    void clickButton(int index) {
        ASSERT_NE(cur_game_screen, nullptr);
        cur_game_screen->restyle();
        std::vector<BaseGuiElement*> list = buttons(cur_game_screen);
        ASSERT_LT(index, int(list.size()));
        clickAt(0.5f * (list[index]->x0 + list[index]->x1), 0.5f * (list[index]->y0 + list[index]->y1));
    }
    bool buttonEnabled(int index) {
        std::vector<BaseGuiElement*> list = buttons(cur_game_screen);
        return index < int(list.size()) && list[index]->isEnabled();
    }
    // Where world i of the script's row shows on the map, which spans the
    // window's height less 76 pixels for the title and 64 for the buttons.
    static float worldX(int i) { return 640.f + (300.f * float(i) - 300.f) * 580.f / 1100.f; }
    static constexpr float WORLD_Y = 0.5f * (76 + 720 - 64);
    // A mode switch: the old mode's menus close, the new mode's open.
    static void switchTo(void (*open)()) {
        gameobj_functions.close_game_menu();
        destroy_queued_gui_elements();
        should_close_game_menu = false;
        open();
    }
    static std::string curWorldName() {
        sq_pushroottable(get_world_script_vm());
        sqbind::SqObject root(get_world_script_vm(), -1);
        sq_poptop(get_world_script_vm());
        sqbind::SqObject world = root.getSlot("cur_world");
        return world.type() == OT_TABLE ? world.getSlotString("name") : "(none)";
    }
    // A flat world of soil with the player in it.
    static void startPlay() {
        HeightmapData::reset();
        for (HeightmapData::Surface& s : HeightmapData::surface) s.ground = HeightmapData::GT_SOIL;
        gameobj_functions.init_gameobj();
        ASSERT_NE(local_player, nullptr);
    }
    static std::string worldName(int i) { return worlds[i].getSlotString("name"); }
    // A function the module offers beyond the engine's table.
    template <class F>
    F moduleFunction(const char* name) {
        void* handle = dlopen((folder.binDir() + GAMEOBJ_MODULE_FILE).c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (!handle) return nullptr;
        auto lookup = reinterpret_cast<GetGameObjFuncByName>(dlsym(handle, "get_gameobj_func_by_name"));
        dlclose(handle);
        return lookup ? reinterpret_cast<F>(lookup(name)) : nullptr;
    }
    void key(int code) {
        press(INPUT_KEY_DOWN, code, 0, 0);
        press(INPUT_KEY_UP, code, 0, 0);
        update();
    }
    void typeText(const std::string& text) {
        for (char c : text) {
            press(INPUT_KEY_DOWN, c, 0, 0);
            set_last_key_chars(c);
            press(INPUT_KEY_UP, c, 0, 0);
        }
        update();
    }
    // root[name] = value, in the world script.
    template <class Push>
    static void setRootSlot(const char* name, Push push) {
        HSQUIRRELVM vm = get_world_script_vm();
        SQInteger top = sq_gettop(vm);
        sq_pushroottable(vm);
        sq_pushstring(vm, name, -1);
        push(vm);
        sq_newslot(vm, -3, SQFalse);
        sq_settop(vm, top);
    }
    static std::vector<float> playerPos() {
        alignas(16) float p[4];
        __m128 pos;
        _mm_store_ps(p, *local_player->getPos(&pos));
        return {p[0], p[1], p[2]};
    }
    static void flyBy(float dx, float dz) {
        __m128 move = _mm_setr_ps(dx, 0, dz, 0);
        local_player->fly(0.05f, 0.4f, &move, nullptr, 0);
    }
};

// The game's own world scripts, universe and goals included.
class GameScriptsFlowTest : public MenuFlowTest {
protected:
    // World i's "cleared" slot, false where it has none.
    static bool cleared(int i) {
        HSQUIRRELVM vm = get_world_script_vm();
        SQInteger top = sq_gettop(vm);
        worlds[i].push(vm);
        sq_pushstring(vm, "cleared", -1);
        SQBool value = SQFalse;
        if (SQ_SUCCEEDED(sq_get(vm, -2))) sq_getbool(vm, -1, &value);
        sq_settop(vm, top);
        return value == SQTrue;
    }
    void writeScripts() override {
        std::filesystem::copy(std::string(GAMEOBJ_TEST_ENGINE_DIR) + "/data/gen", folder.binDir() + "gen",
                              std::filesystem::copy_options::recursive);
    }
};

TEST_F(MenuFlowTest, AWorldChangedOnTheMapIsSavedAndComesBackAfterTheMainMenu) {
    switchTo(gameobj_functions.open_universe_gui);
    ASSERT_EQ(worlds.size(), 3) << "the map makes a new universe";

    // The world's menu, from its right click: the script's action runs on
    // that world only.
    clickAt(worldX(2), WORLD_Y, VK_RBUTTON);
    ASSERT_EQ(buttons(universe_screen).size(), 4u) << "two entries and the map's own two buttons";
    clickButton(1);
    EXPECT_EQ(worldName(2), "Renamed 2");
    EXPECT_EQ(curWorldName(), "(none)") << "the map has no current world afterwards";
    EXPECT_EQ(buttons(universe_screen).size(), 2u) << "the menu closed";

    // A click on the world shows its card; entering makes it current.
    clickAt(worldX(2), WORLD_Y);
    ASSERT_EQ(cur_game_screen, enter_world_screen);
    EXPECT_FALSE(should_close_game_menu);
    clickButton(0);
    EXPECT_TRUE(should_close_game_menu);
    EXPECT_EQ(curWorldName(), "Renamed 2");

    // Escape in play, save to slot 1.
    switchTo(gameobj_functions.open_game_menu);
    clickButton(1);
    ASSERT_EQ(cur_game_screen, game_slot_screen);
    clickButton(0);
    EXPECT_EQ(cur_game_screen, game_menu_screen) << get_error_message();
    EXPECT_STRNE(get_saved_game_name(1).str, "");

    // The main menu drops the universe; loading slot 1 brings it back.
    release_universe_data();
    switchTo(gameobj_functions.open_main_menu);
    EXPECT_TRUE(buttonEnabled(1)) << "Continue";
    clickButton(2);
    ASSERT_EQ(cur_game_screen, game_slot_screen);
    clickButton(0);
    EXPECT_TRUE(should_close_game_menu);
    ASSERT_EQ(worlds.size(), 3);
    EXPECT_EQ(worldName(2), "Renamed 2") << "the saved universe, not a new one";

    // The universe map goes straight back into the saved world.
    switchTo(gameobj_functions.open_universe_gui);
    EXPECT_TRUE(should_close_game_menu);
    EXPECT_EQ(curWorldName(), "Renamed 2");
}

TEST_F(MenuFlowTest, ADamagedSlotShowsItsErrorAndTheOthersStayUsable) {
    generate_universe();
    for (int slot : {1, 2}) {
        cur_game_slot = slot;
        ASSERT_TRUE(save_game()) << get_error_message();
    }
    std::string info = saved_game_path(2, "info").str;
    std::ifstream in(info, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    in.close();
    ASSERT_GT(bytes.size(), 20u);
    bytes[bytes.size() / 2] ^= 0x5A;
    std::ofstream(info, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    release_universe_data();

    switchTo(gameobj_functions.open_main_menu);
    clickButton(2);
    ASSERT_EQ(cur_game_screen, game_slot_screen);
    EXPECT_TRUE(buttonEnabled(1)) << "a damaged slot can be picked, to learn why it fails";
    EXPECT_FALSE(buttonEnabled(2)) << "an empty one cannot";
    clickButton(1);
    EXPECT_NE(std::string(get_error_message()).find("Error loading the game"), std::string::npos);
    EXPECT_FALSE(should_close_game_menu);
    EXPECT_EQ(cur_game_screen, game_slot_screen) << "the slots stay";
    clickButton(0);
    EXPECT_TRUE(should_close_game_menu) << get_error_message();
    EXPECT_EQ(worlds.size(), 3);
}

TEST_F(MenuFlowTest, TheCheatMenuCallsAndClearsMonstersThenLeadsBack) {
    startPlay();
    int wyverns = WyvernMonster_list.num;
    switchTo(gameobj_functions.open_game_menu);
    gameobj_functions.open_cheat_menu();
    ASSERT_EQ(cur_game_screen, cheat_menu_screen);
    clickButton(3);
    EXPECT_EQ(WyvernMonster_list.num, wyverns + 1) << "a wyvern is called";
    clickButton(0);
    EXPECT_EQ(WyvernMonster_list.num, 0) << "monsters off takes them all away";
    clickButton(0);
    clickButton(7);
    EXPECT_TRUE(should_close_game_menu) << "Back returns to the game";
}

TEST_F(MenuFlowTest, AReloadInPlayKeepsThePlayerAndTheSaveScreen) {
    startPlay();
    generate_universe();
    __m128 move = _mm_setr_ps(3, 0, 4, 0);
    local_player->fly(0.05f, 0.4f, &move, nullptr, 0);
    PlayerBase* player = local_player;
    alignas(16) float before[4], after[4];
    __m128 pos;
    _mm_store_ps(before, *local_player->getPos(&pos));

    switchTo(gameobj_functions.open_game_menu);
    clickButton(1);
    ASSERT_EQ(cur_game_screen, game_slot_screen);
    ASSERT_TRUE(buttonEnabled(0)) << "saving: every slot can be picked";

    GameObjTestFolder::copyFile(std::string(GAMEOBJ_TEST_MODULE_DIR) + "gameobj_build2.dll",
                                folder.binDir() + GAMEOBJ_NEW_MODULE_FILE);
    ASSERT_TRUE(reload_gameobj(false));
    EXPECT_EQ(local_player, player);
    EXPECT_EQ(local_player->query(QUERY_MODULE_BUILD), 2);
    _mm_store_ps(after, *local_player->getPos(&pos));
    EXPECT_EQ(std::vector<float>(before, before + 3), std::vector<float>(after, after + 3));
    ASSERT_EQ(cur_game_screen, game_slot_screen);
    EXPECT_TRUE(buttonEnabled(0)) << "still saving after the reload";
    clickButton(0);
    EXPECT_EQ(cur_game_screen, game_menu_screen) << get_error_message();
    EXPECT_STRNE(get_saved_game_name(1).str, "");

    local_player->fly(0.05f, 0.4f, &move, nullptr, 0);
    _mm_store_ps(after, *local_player->getPos(&pos));
    EXPECT_GT(after[0], before[0]) << "the player flies on with the new code";
}

TEST_F(MenuFlowTest, AFallenPlayerGetsTheDeathScreenAndTriesTheWorldAgainFromItsStart) {
    startPlay();
    generate_universe();
    auto hurt = moduleFunction<void (*)(float, float, float, const char*)>("hurt_player");
    ASSERT_NE(hurt, nullptr);
    optional_services.set_game_mode = &record_mode;
    mode_asked_for = nullptr;
    local_player->afterWorldRegenerate();
    std::vector<float> start = playerPos();
    flyBy(20, 5);
    ASSERT_NE(playerPos(), start);

    hurt(60.f, 10.f, 10.f, "a test blast");
    EXPECT_EQ(local_player->query(QUERY_HEALTH), 40);
    EXPECT_EQ(mode_asked_for, nullptr) << "still standing";
    hurt(60.f, 10.f, 10.f, "a test blast");
    EXPECT_EQ(local_player->query(QUERY_HEALTH), 0);
    EXPECT_EQ(mode_asked_for, game_menu_mode) << "the world stops for the death screen";
    std::vector<float> fallenAt = playerPos();
    flyBy(5, 5);
    EXPECT_EQ(playerPos(), fallenAt) << "the fallen do not fly";

    switchTo(gameobj_functions.open_game_menu);
    ASSERT_EQ(buttons(cur_game_screen).size(), 2u) << "try again, or the universe map";
    key(VK_ESCAPE);
    EXPECT_FALSE(should_close_game_menu) << "no way back into the world as it is";
    clickButton(0);
    EXPECT_TRUE(should_close_game_menu) << "back into play";
    EXPECT_EQ(local_player->query(QUERY_HEALTH), 100);
    std::vector<float> again = playerPos();
    EXPECT_EQ(again[0], start[0]);
    EXPECT_EQ(again[2], start[2]);
    flyBy(3, 0);
    EXPECT_GT(playerPos()[0], again[0]) << "alive and flying";
}

TEST_F(GameScriptsFlowTest, WorldNamesOfAGeneratedUniverseDoNotOverlapOnTheMapAndDangersHaveTheirColours) {
    switchTo(gameobj_functions.open_universe_gui);
    ASSERT_GT(worlds.size(), 8);
    cur_game_screen->restyle();
    // The map is the element with the universe view; its children are the names.
    BaseGuiElement* map = nullptr;
    for (BaseGuiElement* c : cur_game_screen->root->children)
        if (c->universeView()) map = c;
    ASSERT_NE(map, nullptr);
    ASSERT_EQ(map->children.num, worlds.size());
    for (int i = 0; i < map->children.num; i++) {
        const BaseGuiElement* a = map->children[i];
        EXPECT_GT(a->x1 - a->x0, 20.f) << "a name has a width";
        EXPECT_TRUE(a->x0 >= 0 && a->x1 <= 1280 && a->y0 >= 0 && a->y1 <= 720) << worldName(i) << " on screen";
        for (int j = 0; j < i; j++) {
            const BaseGuiElement* b = map->children[j];
            bool apart = a->x1 <= b->x0 || b->x1 <= a->x0 || a->y1 <= b->y0 || b->y1 <= a->y0;
            EXPECT_TRUE(apart) << worldName(i) << " covers " << worldName(j);
        }
    }
    // The legend's colours go from danger 1 to 5; every world's dot is one
    // of them, in universe after universe.
    int most = 0;
    for (uint64_t seed = 1; seed <= 40; seed++) {
        game_rnd_seed = seed;
        generate_universe();
        for (int i = 0; i < worlds.size(); i++) {
            int danger = worlds[i].getSlot("danger").toInt();
            most = std::max(most, danger);
            EXPECT_TRUE(danger >= 1 && danger <= 5) << "seed " << seed << ": danger " << danger;
        }
    }
    EXPECT_EQ(most, 5);
}

TEST_F(GameScriptsFlowTest, AMetGoalClearsTheWorldAndTheMarkSurvivesSavingAndLoading) {
    startPlay();
    generate_universe();
    setRootSlot("cur_world", [](HSQUIRRELVM vm) { worlds[2].push(vm); });
    setRootSlot("built_world_type", [](HSQUIRRELVM vm) { sq_pushstring(vm, "peaks", -1); });  // wyverns first
    activate_current_world();
    sq_pushroottable(get_world_script_vm());
    sqbind::SqObject root(get_world_script_vm(), -1);
    sq_poptop(get_world_script_vm());
    int left = root.getSlot("world_goal").getSlot("left").toInt();
    ASSERT_GE(left, 1) << get_error_message();
    for (int i = 0; i < left; i++) world_script_str_event("wyvern_killed");
    EXPECT_TRUE(root.getSlot("world_goal").isNull());
    EXPECT_TRUE(cleared(2));

    cur_game_slot = 3;
    ASSERT_TRUE(save_game()) << get_error_message();
    release_universe_data();
    ASSERT_TRUE(load_saved_game(3)) << get_error_message();
    ASSERT_GT(worlds.size(), 2);
    EXPECT_TRUE(cleared(2)) << "cleared after loading";
    EXPECT_FALSE(cleared(1));
}

TEST_F(GameScriptsFlowTest, ASavedWorldComesBackWithItsObjectsCreaturesPlayerAndGoal) {
    using namespace HeightmapData;
    startPlay();
    generate_universe();
    int world = -1;
    for (int i = 0; i < worlds.size() && world < 0; i++)
        if (worlds[i].getSlotString("type") == std::string("highlands") ||
            worlds[i].getSlotString("type") == std::string("islands"))
            world = i;  // their goal is the strongholds when one was built
    ASSERT_GE(world, 0);
    auto enter = [&](int i) {
        setRootSlot("cur_world", [i](HSQUIRRELVM vm) { worlds[i].push(vm); });
        generate_world("game");
    };
    auto step = [](int n) {
        for (int k = 0; k < n; k++) gameobj_functions.update_gameobj(0.05f);
    };
    auto cast = moduleFunction<const char* (*)(const char*, float, float)>("cast_spell_by_name");
    ASSERT_NE(cast, nullptr);
    enter(world);
    gameobj_functions.add_all_spells();
    gameobj_functions.toggle_mana_cheat();
    std::vector<float> at = playerPos();
    EXPECT_STREQ(cast("hill", at[0] + 20.f, at[2]), "");
    EXPECT_STREQ(cast("water_source", at[0], at[2] + 20.f), "");
    step(60);
    // Two birds are shot down and the first stronghold's ground gives way.
    int birds = BirdMonster_list.num;
    ASSERT_GE(birds, 2);
    for (int k = 0; k < 2; k++) reinterpret_cast<GameObj*>(BirdMonster_list[k])->destroy();
    int strongholds = CastleObject_list.num + GuardTower_list.num;
    ASSERT_GE(GuardTower_list.num, 1);
    int bin = reinterpret_cast<GameObj*>(GuardTower_list[0])->proximityBin;
    ASSERT_TRUE(bin >= 0 && bin < 1280);
    int x0 = bin < 1024 ? bin % 32 * 8 : (bin - 1024) % 16 * 16 - 4, size = bin < 1024 ? 8 : 16;
    int z0 = bin < 1024 ? bin / 32 * 8 : (bin - 1024) / 16 * 16 - 4;
    for (int z = z0 - 8; z < z0 + size + 8; z++)
        for (int x = x0 - 8; x < x0 + size + 8; x++) hmap[cell_index(x, z)] -= 3.f, target_hmap[cell_index(x, z)] -= 3.f;
    step(2);
    ASSERT_LT(CastleObject_list.num + GuardTower_list.num, strongholds) << "a stronghold fell";
    ASSERT_EQ(get_error_message(), std::string()) << get_error_message();

    // What the save holds, to compare with what comes back.
    auto counts = [] {
        return std::vector<int>{TreeObject_list.num, CastleObject_list.num, GuardTower_list.num, BirdMonster_list.num,
                                WyvernMonster_list.num, WaterSource_list.num, SpellObject_list.num, WorldPortal_list.num};
    };
    auto goal_left = [] {
        sq_pushroottable(get_world_script_vm());
        sqbind::SqObject root(get_world_script_vm(), -1);
        sq_poptop(get_world_script_vm());
        sqbind::SqObject goal = root.getSlot("world_goal");
        return goal.type() == OT_TABLE ? goal.getSlot("left").toInt() : -1;
    };
    // The objects and the player as the save writes them, as bytes.
    auto saved_state = [] {
        MemoryOutputStream out;
        sqbind::SqObject state = cur_game_info.getSlot("world_state");
        save_data(state.getSlot("objects"), out);
        save_data(state.getSlot("player"), out);
        return out.bytes;
    };
    auto grids = [] {
        std::vector<char> b;
        for (auto [p, n] : {std::pair<const void*, size_t>{hmap, sizeof(hmap)}, {target_hmap, sizeof(target_hmap)},
                            {water, sizeof(water)}, {surface, sizeof(surface)}})
            b.insert(b.end(), static_cast<const char*>(p), static_cast<const char*>(p) + n);
        return b;
    };
    cur_game_slot = 3;
    ASSERT_TRUE(save_game()) << get_error_message();
    std::vector<char> shaped = grids();
    std::vector<int> standing = counts();
    std::vector<uint8_t> state = saved_state();
    std::vector<float> player = playerPos();
    int left = goal_left();
    EXPECT_GT(state.size(), 1000u) << "the objects are in the save";
    EXPECT_EQ(standing[3], birds - 2) << "the two birds are gone";

    // Elsewhere, then the game is loaded and its world entered again.
    enter((world + 1) % worlds.size());
    ASSERT_NE(grids(), shaped);
    release_universe_data();
    ASSERT_TRUE(load_saved_game(3)) << get_error_message();
    enter(world);
    EXPECT_EQ(grids(), shaped) << "the hill, the water and the fallen ground, byte for byte";
    EXPECT_EQ(counts(), standing) << "the fallen stay fallen and the dead stay dead";
    EXPECT_EQ(playerPos(), player);
    EXPECT_EQ(goal_left(), left);
    ASSERT_TRUE(save_game()) << get_error_message();
    EXPECT_EQ(saved_state(), state) << "every kept object with the state it was saved with";

    // Entering the world again without a load makes it afresh.
    enter(world);
    EXPECT_NE(counts(), standing);
    ASSERT_EQ(get_error_message(), std::string()) << get_error_message();
}

TEST_F(GameScriptsFlowTest, AGameSavedInAWorldVisitedByItsCodeReopensThereFacingTheSameWay) {
    startPlay();
    static float yaw, pitch;
    optional_services.set_view_heading = [](float y, float p) { yaw = y, pitch = p; };
    auto make = moduleFunction<void (*)(int, int, char*)>("make_world_code");
    ASSERT_NE(make, nullptr);
    char code[12];
    make(0, 100000, code);  // no world of the map has that seed
    switchTo(gameobj_functions.open_universe_gui);
    clickButton(0);  // "Enter a world code"
    typeText(code);
    key(VK_RETURN);
    ASSERT_TRUE(should_close_game_menu);
    std::string visited = curWorldName();
    ASSERT_EQ(visited, std::string("World ") + code);
    generate_world("game");
    // The view turned away from the start's heading, then saved.
    cur_view_itm = Matrix44{};
    float f[3] = {-std::sin(2.f) * std::cos(-0.4f), std::sin(-0.4f), std::cos(2.f) * std::cos(-0.4f)};
    for (int i = 0; i < 3; i++) cur_view_itm.m[2][i] = f[i];
    flyBy(6.f, -4.f);
    std::vector<float> player = playerPos();
    switchTo(gameobj_functions.open_game_menu);
    clickButton(1);
    ASSERT_EQ(cur_game_screen, game_slot_screen);
    clickButton(0);
    ASSERT_EQ(cur_game_screen, game_menu_screen) << get_error_message();

    // Elsewhere, then slot 1 is loaded from the main menu.
    setRootSlot("cur_world", [](HSQUIRRELVM vm) { worlds[1].push(vm); });
    generate_world("game");
    release_universe_data();
    switchTo(gameobj_functions.open_main_menu);
    clickButton(2);
    ASSERT_EQ(cur_game_screen, game_slot_screen);
    clickButton(0);
    switchTo(gameobj_functions.open_universe_gui);
    EXPECT_TRUE(should_close_game_menu);
    EXPECT_EQ(curWorldName(), visited) << "back into the world off the map";
    yaw = pitch = NAN;
    generate_world("game");
    EXPECT_EQ(playerPos(), player);
    EXPECT_NEAR(yaw, 2.f, 1e-4f);
    EXPECT_NEAR(pitch, -0.4f, 1e-4f);
    cur_view_itm = Matrix44{};
    EXPECT_EQ(get_error_message(), std::string()) << get_error_message();
}

TEST_F(GameScriptsFlowTest, TheHousesOfAStrongholdsTownCountForItsGoal) {
    using namespace HeightmapData;
    startPlay();
    generate_universe();
    for (int i = 0; i < HMAP_CELLS; i++) hmap[i] = target_hmap[i] = 5.f;  // high ground, where strongholds stand
    setRootSlot("cur_world", [](HSQUIRRELVM vm) { worlds[0].push(vm); });
    setRootSlot("built_world_type", [](HSQUIRRELVM vm) { sq_pushstring(vm, "islands", -1); });
    local_player->afterWorldRegenerate();
    gameobj_functions.update_gameobj(0.05f);
    int strongholds = CastleObject_list.num + GuardTower_list.num;
    ASSERT_GE(GuardTower_list.num, 1);
    // A house beside the first tower and one across the world from it.
    int bin = reinterpret_cast<GameObj*>(GuardTower_list[0])->proximityBin;
    ASSERT_TRUE(bin >= 0 && bin < 1280);
    int x = bin < 1024 ? bin % 32 * 8 + 4 : (bin - 1024) % 16 * 16 + 4, z = bin < 1024 ? bin / 32 * 8 + 4 : (bin - 1024) / 16 * 16 + 4;
    placeHouse(x + 12, z, 0, target_hmap, false);
    placeHouse(x + 128, z + 128, 0, target_hmap, false);
    memcpy(hmap, target_hmap, sizeof(hmap));
    gameobj_functions.update_gameobj(0.05f);
    ASSERT_EQ(CastleObject_list.num + GuardTower_list.num, strongholds);
    activate_current_world();  // the goal again, with the houses standing
    sq_pushroottable(get_world_script_vm());
    sqbind::SqObject root(get_world_script_vm(), -1);
    sq_poptop(get_world_script_vm());
    ASSERT_EQ(root.getSlot("world_goal").getSlot("total").toInt(), strongholds + 1) << "the house by the tower";

    // The ground sinks under the house cells near (cx, cz).
    auto drop_house = [](int cx, int cz) {
        for (int dz = -8; dz <= 8; dz++)
            for (int dx = -8; dx <= 8; dx++)
                if (surface[cell_index(cx + dx, cz + dz)].ground == GT_HOUSE) target_hmap[cell_index(cx + dx, cz + dz)] -= 3.f;
        gameobj_functions.update_gameobj(0.05f);
    };
    int left = root.getSlot("world_goal").getSlot("left").toInt();
    drop_house(x + 128, z + 128);
    EXPECT_EQ(root.getSlot("world_goal").getSlot("left").toInt(), left) << "a house far from it is not the town's";
    drop_house(x + 12, z);
    EXPECT_EQ(root.getSlot("world_goal").getSlot("left").toInt(), left - 1) << "the town's house came down";
    EXPECT_EQ(get_error_message(), std::string()) << get_error_message();
}

TEST_F(GameScriptsFlowTest, AWorldCodeLeadsToItsWorldAndAMistypedOneIsRefused) {
    auto make = moduleFunction<void (*)(int, int, char*)>("make_world_code");
    auto read = moduleFunction<const char* (*)(const char*, int, int*, int*)>("read_world_code");
    ASSERT_TRUE(make && read);
    const char digits[] = "0123456789ABCDEFGHJKMNPQRSTVWXYZ";
    for (auto [kind, seed] : {std::pair{0, 0}, {5, 255}, {3, 77}, {7, -1}, {2, 1 << 30}}) {
        char code[12];
        make(kind, seed, code);
        int k = -1, sd = -2;
        EXPECT_EQ(read(code, 8, &k, &sd), nullptr) << code;
        EXPECT_EQ(k, kind);
        EXPECT_EQ(sd, seed) << code;
        for (size_t i = 0; code[i]; i++)
            for (char c : digits) {
                if (code[i] == '-' || code[i] == c) continue;
                std::string wrong = code;
                wrong[i] = c;
                EXPECT_NE(read(wrong.c_str(), 8, &k, &sd), nullptr) << wrong << " from " << code;
            }
    }
    char code[12];
    make(5, 255, code);
    EXPECT_EQ(std::string(code).size(), 4u) << "a world of the universe has a short code: " << code;

    // On the map: a mistyped code stays in the box with a message; the
    // right one visits its world.
    switchTo(gameobj_functions.open_universe_gui);
    ASSERT_GT(worlds.size(), 3);
    std::string type = worlds[3].getSlotString("type");
    sqbind::SqObject kinds;
    {
        sq_pushroottable(get_world_script_vm());
        sqbind::SqObject root(get_world_script_vm(), -1);
        sq_poptop(get_world_script_vm());
        kinds = root.getSlot("world_type_names");
    }
    int kind = -1;
    for (int k = 0; k < kinds.size(); k++)
        if (type == kinds[k].toString()) kind = k;
    ASSERT_GE(kind, 0);
    make(kind, worlds[3].getSlot("seed").toInt(), code);
    std::vector<BaseGuiElement*> before = buttons(universe_screen);
    clickButton(0);  // "Enter a world code"
    ASSERT_EQ(buttons(universe_screen).size(), before.size() + 2) << "the box's Visit and Back";
    std::string wrong = code;
    wrong[1] = wrong[1] == 'A' ? 'B' : 'A';
    typeText(wrong);
    key(VK_RETURN);
    update();
    EXPECT_FALSE(should_close_game_menu);
    EXPECT_EQ(curWorldName(), "(none)");
    EXPECT_EQ(buttons(universe_screen).size(), before.size() + 2) << "the box stays open";
    for (size_t i = 0; i < wrong.size(); i++) key(VK_BACK);
    typeText(std::string(code).substr(0, 2) + "-" + std::string(code).substr(2));  // typed with a dash
    key(VK_RETURN);
    update();
    EXPECT_TRUE(should_close_game_menu);
    int first = 3;  // the universe's first world of that kind and seed
    for (int j = 2; j >= 0; j--)
        if (worlds[j].getSlotString("type") == type && worlds[j].getSlot("seed").toInt() == worlds[3].getSlot("seed").toInt())
            first = j;
    EXPECT_EQ(curWorldName(), worldName(first));
}

TEST_F(GameScriptsFlowTest, EveryKindOfWorldStartsWithAView) {
    startPlay();
    static float yaw;
    optional_services.set_view_heading = [](float y, float) { yaw = y; };
    sq_pushroottable(get_world_script_vm());
    sqbind::SqObject root(get_world_script_vm(), -1);
    sq_poptop(get_world_script_vm());
    sqbind::SqObject kinds = root.getSlot("world_type_names");
    ASSERT_GE(kinds.size(), 6);
    for (int k = 0; k < kinds.size(); k++)
        for (int again = 0; again < 2; again++) {
            std::string kind = kinds[k].toString();
            yaw = NAN;
            generate_world(kind.c_str());
            ASSERT_FALSE(std::isnan(yaw)) << kind << ": the view was turned";
            std::vector<float> eye = playerPos();
            float highest = -1e9f;
            for (float d = 0.5f; d <= 20.f; d += 0.5f)
                highest = std::max(highest, gameobj_functions.get_land_height(eye[0] - std::sin(yaw) * d, eye[2] + std::cos(yaw) * d));
            EXPECT_LT(highest, eye[1]) << kind << " start (" << eye[0] << ", " << eye[2] << ") facing " << yaw;
        }
    EXPECT_EQ(get_error_message(), std::string());
}

}  // namespace
