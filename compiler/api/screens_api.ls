// The menus and tooltips the engine drives. The screens themselves come
// with the GUI; until then these keep the menu modes safe to enter.
import objects.common

namespace {
const char* tooltip_text = nullptr;
}  // namespace

void hide_tooltip() { tooltip_text = nullptr; }
void show_tooltip(const char* text) { tooltip_text = text; }
void update_tooltip() {}
void render_tooltip() {}
void init_tooltip() {}
void set_radio() {}
void get_radio() {}
void place_popup() {}
void init_new_gui() {}
void render_world_map() {}
void render_dev_world_map(float dt) { (void)dt; }
void init_map_ui() {}
void show_screen_message() {}
void safely_close_game_menu() {}
void reset_game_ui_screen() {}
void set_game_ui_screen() {}
void open_game_menu() {}
void open_main_menu() {}
void open_cheat_menu() {}
void close_game_menu() {}
void update_game_menu(float dt) { (void)dt; }
void draw_game_menu(float dt) { (void)dt; }
void set_world_icon_params() {}
void open_universe_gui() {}
void link_gui() { debug("gameobj build %d linked", GAMEOBJ_BUILD_ID); }
