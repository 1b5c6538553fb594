// The game-object module's menus and player, loaded as the game loads it, on
// the real (headless) device with the game's fonts: one update of play with
// the player over a populated world, one update of the main menu with the
// mouse moving over its buttons, and drawing the main menu's GUI.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include "bench/headless_device.h"
#include <cstdio>
#include <cstdlib>
#include "app/app_globals.h"
#include "app/input.h"
#include "app/lower_layer_hooks.h"
#include "core/paths.h"
#include "gameobj_host/gameobj_functions.h"
#include "gameobj_host/gameobj_module.h"
#include "gameobj_host/module_screens.h"
#include "gameobj_host/object_lists.h"
#include "gameobj_host/player_base.h"
#include "gui/gui.h"
#include "render/device.h"
#include "render/dist_font.h"
#include "render/dyn_vb_writer.h"
#include "script/universe.h"
#include "script/world_script.h"
#include "terrain/heightmap_data.h"

namespace {

struct Game {
    HeadlessDevice gl{1280, 720, EH_BIN_DIR};
    Game() {
        connect_lower_layers_to_app();
        load_ui_fonts();
        init_gui_runtime();
        // A rolling soil world the module fills with its trees and houses.
        HeightmapData::reset();
        for (int i = 0; i < HeightmapData::HMAP_CELLS; i++) {
            HeightmapData::surface[i].ground = HeightmapData::GT_SOIL;
            HeightmapData::hmap[i] = HeightmapData::target_hmap[i] = float((i * 7) % 13) * 0.3f;
        }
        load_gameobj_module("../compiler/", "main.ls");
        gameobj_functions.init_new_gui();
        gameobj_functions.init_spells_ui();
        gameobj_functions.init_gameobj();
        if (local_player) local_player->afterWorldRegenerate();
        init_world_script();
    }
    ~Game() {
        gameobj_functions.close_game_menu();
        release_universe_data();
        close_world_script();
        destroy_queued_gui_elements();
        gameobj_functions.close_gameobj();
        unload_gameobj_module();
        close_gui_runtime();
        release_ui_fonts();
    }
};
Game& game() {
    static Game g;
    return g;
}

// One play update as the play mode runs the module: the player flies a step,
// the objects and the spell bar update.
void BM_PlayUpdate(benchmark::State& state) {
    game();
    if (!local_player) {
        state.SkipWithError("no player");
        return;
    }
    __m128 move = _mm_setr_ps(0.2f, 0, 0.3f, 0);
    for (auto _ : state) {
        local_player->fly(0.05f, 0.4f, &move, nullptr, 0);
        gameobj_functions.update_gameobj(0.05f);
        gameobj_functions.update_spells_ui(0.05f);
    }
    state.counters["objects"] = GameObj_list.num;
}
BENCHMARK(BM_PlayUpdate)->Unit(benchmark::kMicrosecond);

// One update of the main menu: the mouse moves between two buttons, so the
// hover changes, the buttons restyle and the tooltip is asked for.
void BM_MainMenuUpdate(benchmark::State& state) {
    game();
    gameobj_functions.open_main_menu();
    main_menu_screen->restyle();
    int i = 0;
    for (auto _ : state) {
        float y = (i++ & 1) ? 263.f : 386.f;
        push_input_event(INPUT_MOUSE_MOVE, 0, 0, 0, 640.f, y);
        gameobj_functions.update_game_menu(0.05f);
        clear_input();
    }
    gameobj_functions.close_game_menu();
    destroy_queued_gui_elements();
}
BENCHMARK(BM_MainMenuUpdate)->Unit(benchmark::kMicrosecond);

// Drawing the main menu's GUI: the tree's boxes and text into the batch, and
// the batch handed to the device.
void BM_DrawMainMenu(benchmark::State& state) {
    game();
    gameobj_functions.open_main_menu();
    push_input_event(INPUT_MOUSE_MOVE, 0, 0, 0, 640.f, 263.f);
    gameobj_functions.update_game_menu(0.05f);
    clear_input();
    for (auto _ : state) gameobj_functions.draw_game_menu(1.f / 60);
    gameobj_functions.close_game_menu();
    destroy_queued_gui_elements();
}
BENCHMARK(BM_DrawMainMenu)->Unit(benchmark::kMicrosecond);

// The busiest menu: the universe map of the game's own universe script, its
// worlds, links and names, with a world hovered and its tooltip shown.
void BM_DrawUniverseMap(benchmark::State& state) {
    game();
    gameobj_functions.open_universe_gui();
    if (!universe_screen || worlds.isNull()) {
        state.SkipWithError("no universe");
        return;
    }
    universe_screen->restyle();
    float x = 0.5f * (universe_screen->root->x0 + universe_screen->root->x1);
    push_input_event(INPUT_MOUSE_MOVE, 0, 0, 0, x, 360.f);
    gameobj_functions.update_game_menu(0.05f);
    clear_input();
    for (auto _ : state) gameobj_functions.draw_game_menu(1.f / 60);
    state.counters["worlds"] = worlds.size();
    gameobj_functions.close_game_menu();
    destroy_queued_gui_elements();
}
BENCHMARK(BM_DrawUniverseMap)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
