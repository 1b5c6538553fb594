// The menus and tooltips the engine drives. Each screen lives in its own
// file under screens/; the engine keeps the live screens, and a reloaded
// module builds them again (link_gui).
import objects.common
import screens.menu_kit
import screens.tooltip
import screens.main_menu
import screens.game_menu
import screens.game_slot
import screens.game_options
import screens.game_controls
import screens.credits
import screens.dev_world_map
import screens.universe
import screens.enter_world
import screens.new_game_note
import screens.cheat_menu
import screens.death_screen

namespace menu {
// The factory of each engine screen slot this module fills; null for the
// others.
inline ModuleScreenFactory tooltip_maker() { return nullptr; }
inline ModuleScreenFactory spells_gui_maker() { return nullptr; }

// The engine's factories of the screens this module makes.
inline void set_screen_factories() {
#define SET_SCREEN_FACTORY(name) create_##name##_screen = name##_maker();
    GAMEOBJ_MODULE_SCREENS(SET_SCREEN_FACTORY)
#undef SET_SCREEN_FACTORY
}
}  // namespace menu

void hide_tooltip() { menu::tooltip_text[0] = 0; }
void show_tooltip(const char* text) {
    snprintf(menu::tooltip_text, sizeof(menu::tooltip_text), "%s", text ? text : "");
}
void update_tooltip() {}
void render_tooltip() { menu::draw_tooltip(); }
void init_tooltip() { hide_tooltip(); }
void set_radio() {}
void get_radio() {}
void place_popup() {}
void init_new_gui() {
    register_std_behaviors();
    menu::fill_common_style();
    menu::set_screen_factories();
}
void render_world_map() {}
void render_dev_world_map(float dt) {
    (void)dt;
    devmap::draw();
}
void init_map_ui() {}
void show_screen_message() {}
void reset_game_ui_screen() {
    if (cur_game_screen) cur_game_screen->resetState();
}
void set_game_ui_screen() {}

void open_main_menu() {
    menu::set_screen_factories();
    menu::close_all_screens();
    should_close_game_menu = false;
    menu::show_screen(main_menu_screen, menu::main_menu_maker());
}
void open_game_menu() {
    menu::set_screen_factories();
    menu::close_all_screens();
    should_close_game_menu = false;
    menu::show_screen(game_menu_screen, menu::game_menu_maker());
}
void open_universe_gui() {
    menu::set_screen_factories();
    menu::close_all_screens();
    should_close_game_menu = false;
    menu::open_universe();
}
void open_cheat_menu() { menu::open_cheats(); }
void close_game_menu() {
    menu::close_all_screens();
    hide_tooltip();
}
void safely_close_game_menu() { should_close_game_menu = true; }

void update_game_menu(float dt) { menu::update_current(dt); }

void draw_game_menu(float dt) {
    if (cur_game_screen && cur_game_screen->root) {
        cur_game_screen->restyle();
        cur_game_screen->root->draw(dt);
    }
    render_tooltip();
    start_dist_font_render();
    gui_batch.render();
    end_dist_font_render();
    gui_batch.clear();
}

void set_world_icon_params() {}


// Screens of ours that outlived the previous module were left as plain
// engine screens; each is built again by this module's code. Other screens
// stay as they are.
void link_gui() {
    using namespace menu;
    fill_common_style();
    BaseGuiScreen* (*const makers[])() = {
#define SCREEN_MAKER(name) name##_maker(),
        GAMEOBJ_MODULE_SCREENS(SCREEN_MAKER)
#undef SCREEN_MAKER
    };
    BaseGuiScreen** slots[] = {
#define SCREEN_SLOT(name) &name##_screen,
        GAMEOBJ_MODULE_SCREENS(SCREEN_SLOT)
#undef SCREEN_SLOT
    };
    for (size_t i = 0; i < sizeof(slots) / sizeof(slots[0]); i++) {
        BaseGuiScreen* old = *slots[i];
        if (!old || !makers[i] || !is_detached_screen(old)) continue;
        *slots[i] = makers[i]();
        static_cast<Screen*>(*slots[i])->restoreState(static_cast<Screen*>(old)->keptState);
        if (cur_game_screen == old) {
            cur_game_screen = *slots[i];
            static_cast<Screen*>(cur_game_screen)->shown();
        }
        delete old;
    }
    debug("gameobj build %d linked", GAMEOBJ_BUILD_ID);
}
