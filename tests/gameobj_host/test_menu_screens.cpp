// The module's menu screens driven through input events, as a player would:
// clicks on the main menu's buttons, Escape on the in-game menu, options
// stored in the settings, and the screens working on after a module reload.
#include <gtest/gtest.h>
#include <cstdlib>
#include <string>
#include "app/app_globals.h"
#include "app/input.h"
#include "app/lower_layer_hooks.h"
#include "app/window.h"
#include "core/settings.h"
#include "gameobj_host/gameobj_functions.h"
#include "gameobj_host/gameobj_module.h"
#include "gameobj_host/gameobj_rebuild.h"
#include "render/device.h"
#include "gameobj_host/module_screens.h"
#include "gameobj_host/module_state.h"
#include "gameobj_test_files.h"
#include "gui/gui.h"
#include "render/device.h"

namespace {

const std::string COMPLETE = GAMEOBJ_TEST_COMPLETE_MODULE;
const std::string BUILD2 = std::string(GAMEOBJ_TEST_MODULE_DIR) + "gameobj_build2.dll";

class MenuScreensTest : public ::testing::Test {
protected:
    GameObjTestFolder folder;
    int savedW = 0, savedH = 0;

    void SetUp() override {
        setenv("XDG_CONFIG_HOME", (folder.binDir() + "config").c_str(), 1);
        folder.writeSource("main.ls", "");
        GameObjTestFolder::copyFile(COMPLETE, folder.binDir() + GAMEOBJ_MODULE_FILE);
        savedW = d3d_wd;
        savedH = d3d_ht;
        d3d_wd = 1280;
        d3d_ht = 720;
        connect_lower_layers_to_app();
        clear_input();
        clear_quit_request();
        should_close_game_menu = false;
        load_gameobj_module("../compiler/", "main.ls");
        gameobj_functions.init_new_gui();
    }
    void TearDown() override {
        gameobj_functions.close_game_menu();
        destroy_queued_gui_elements();
        unload_gameobj_module();
        clear_input();
        clear_quit_request();
        should_close_game_menu = false;
        d3d_wd = savedW;
        d3d_ht = savedH;
    }

    // The rows of the screen's menu column, in order.
    static BaseGuiElement* row(BaseGuiScreen* screen, int index) {
        if (!screen || !screen->root) return nullptr;
        for (BaseGuiElement* child : screen->root->children)
            if (index < child->children.num) return child->children[index];
        return nullptr;
    }
    void update() {
        gameobj_functions.update_game_menu(1.f / 60);
        clear_input();
        destroy_queued_gui_elements();
    }
    void click(BaseGuiElement* el) {
        ASSERT_NE(el, nullptr);
        float x = 0.5f * (el->x0 + el->x1), y = 0.5f * (el->y0 + el->y1);
        push_input_event(INPUT_MOUSE_MOVE, 0, 0, 0, x, y);
        push_input_event(INPUT_BUTTON_DOWN, VK_LBUTTON, 0, 0, x, y);
        push_input_event(INPUT_BUTTON_UP, VK_LBUTTON, 0, 0, x, y);
        update();
    }
    void key(int code) {
        push_input_event(INPUT_KEY_DOWN, code, 0, 0, 0, 0);
        push_input_event(INPUT_KEY_UP, code, 0, 0, 0, 0);
        update();
    }
    // Lays the current screen out, as drawing does every frame.
    void layout() {
        ASSERT_NE(cur_game_screen, nullptr);
        cur_game_screen->restyle();
    }
};

TEST_F(MenuScreensTest, MainMenuButtonsStartAGameQuitAndOpenSubScreens) {
    gameobj_functions.open_main_menu();
    ASSERT_NE(main_menu_screen, nullptr);
    EXPECT_EQ(cur_game_screen, main_menu_screen);
    layout();
    BaseGuiElement* newGame = row(main_menu_screen, 0);
    BaseGuiElement* cont = row(main_menu_screen, 1);
    ASSERT_NE(row(main_menu_screen, 6), nullptr) << "seven buttons";
    EXPECT_FALSE(cont->isEnabled()) << "nothing saved to continue";
    EXPECT_GT(newGame->x1 - newGame->x0, 200.f);
    EXPECT_LT(newGame->y1, cont->y0) << "a column, top down";

    // A click on the disabled button does nothing; a press that ends
    // outside the button is no click.
    click(cont);
    EXPECT_FALSE(should_close_game_menu);
    push_input_event(INPUT_MOUSE_MOVE, 0, 0, 0, newGame->x0 + 5, newGame->y0 + 5);
    push_input_event(INPUT_BUTTON_DOWN, VK_LBUTTON, 0, 0, newGame->x0 + 5, newGame->y0 + 5);
    push_input_event(INPUT_MOUSE_MOVE, 0, 0, INPUT_LBUTTON, 5, 5);
    push_input_event(INPUT_BUTTON_UP, VK_LBUTTON, 0, 0, 5, 5);
    update();
    EXPECT_FALSE(should_close_game_menu);

    click(newGame);
    ASSERT_EQ(cur_game_screen, new_game_note_screen) << "a new game starts with its note";
    EXPECT_FALSE(should_close_game_menu);
    layout();
    click(row(new_game_note_screen, 0));
    EXPECT_TRUE(should_close_game_menu) << "beginning asks the menu mode to go on to the universe";
    should_close_game_menu = false;
    key(VK_ESCAPE);
    ASSERT_EQ(cur_game_screen, main_menu_screen) << "Escape on the note goes back";

    click(row(main_menu_screen, 5));
    ASSERT_NE(credits_screen, nullptr);
    EXPECT_EQ(cur_game_screen, credits_screen);
    key(VK_ESCAPE);
    EXPECT_EQ(cur_game_screen, main_menu_screen) << "Escape goes back";

    EXPECT_FALSE(is_quit_requested());
    click(row(main_menu_screen, 6));
    EXPECT_TRUE(is_quit_requested());
}

// The common style colours the buttons by state: ids 1 (fill) and 3 (text)
// as four floats.
TEST_F(MenuScreensTest, TheCommonStyleColoursButtonsByState) {
    gameobj_functions.open_main_menu();
    layout();
    BaseGuiElement* newGame = row(main_menu_screen, 0);
    BaseGuiElement* cont = row(main_menu_screen, 1);
    BaseGuiElement* load = row(main_menu_screen, 2);
    ASSERT_NE(newGame->property(1), nullptr) << "styled";
    auto same = [](__m128 a, __m128 b) { return _mm_movemask_ps(_mm_cmpeq_ps(a, b)) == 15; };
    EXPECT_FALSE(same(cont->vecProperty(3), newGame->vecProperty(3))) << "disabled text is greyed";
    EXPECT_TRUE(same(load->vecProperty(1), newGame->vecProperty(1)));

    float x = 0.5f * (newGame->x0 + newGame->x1), y = 0.5f * (newGame->y0 + newGame->y1);
    push_input_event(INPUT_MOUSE_MOVE, 0, 0, 0, x, y);
    update();
    layout();
    EXPECT_FALSE(same(load->vecProperty(1), newGame->vecProperty(1))) << "the hovered button lights up";
    push_input_event(INPUT_MOUSE_MOVE, 0, 0, 0, 5, 5);
    update();
    layout();
    EXPECT_TRUE(same(load->vecProperty(1), newGame->vecProperty(1))) << "and back when the mouse leaves";
}

TEST_F(MenuScreensTest, OptionsAreStoredAndGameMenuEscapeResumes) {
    gameobj_functions.open_game_menu();
    ASSERT_EQ(cur_game_screen, game_menu_screen);
    layout();
    EXPECT_FALSE(row(game_menu_screen, 1)->isEnabled()) << "no universe, nothing to save";
    click(row(game_menu_screen, 3));
    ASSERT_EQ(cur_game_screen, game_options_screen);
    layout();
    bool aa = use_ppaa;
    click(row(game_options_screen, 2));
    EXPECT_EQ(use_ppaa, !aa);
    int flags = -1;
    ASSERT_TRUE(get_config_int("flags", &flags));
    EXPECT_EQ((flags & 2) != 0, use_ppaa);
    click(row(game_options_screen, 2));
    EXPECT_EQ(use_ppaa, aa);
    // The fullscreen size steps from the desktop's to the display's largest
    // (the headless display has none: back to the desktop's), and is stored.
    click(row(game_options_screen, 1));
    char size[32] = "";
    EXPECT_TRUE(get_config_str("fullscreen_size", size, sizeof(size)));
    int w = 0, h = 0;
    EXPECT_EQ(std::string(size), get_fullscreen_size(0, &w, &h) ? std::to_string(w) + "x" + std::to_string(h) : "desktop");
    click(row(game_options_screen, 8));  // Back, under the eight option rows
    EXPECT_EQ(cur_game_screen, game_menu_screen) << "back to the in-game menu";
    key(VK_ESCAPE);
    EXPECT_TRUE(should_close_game_menu);
    gameobj_functions.close_game_menu();
    destroy_queued_gui_elements();
    EXPECT_EQ(cur_game_screen, nullptr);
    EXPECT_EQ(game_menu_screen, nullptr);
    EXPECT_EQ(game_options_screen, nullptr);
}

TEST_F(MenuScreensTest, AReloadRebuildsTheShownScreenWithTheNewCode) {
    gameobj_functions.open_main_menu();
    GameObjTestFolder::copyFile(BUILD2, folder.binDir() + GAMEOBJ_NEW_MODULE_FILE);
    ASSERT_TRUE(reload_gameobj(false));
    ASSERT_NE(main_menu_screen, nullptr);
    EXPECT_EQ(cur_game_screen, main_menu_screen);
    layout();
    click(row(main_menu_screen, 6));
    EXPECT_TRUE(is_quit_requested()) << "the rebuilt menu answers clicks";
    EXPECT_NE(row(main_menu_screen, 0)->property(1), nullptr) << "and is styled by the new module's sheets";
}

}  // namespace
