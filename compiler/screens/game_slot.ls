// The saved-game slots, for saving the running game or loading one.
import screens.menu_kit
import screens.script_values
import screens.universe

#include <ctime>

namespace menu {

// A slot folder holds a game when its description file is there; a name
// that cannot be read then means a damaged slot, which can still be picked
// so that the loader reports what is wrong with it.
inline bool slot_has_files(int slot) {
    FsPath info = saved_game_path(slot, "info");
    return info.str[0] && get_file_time(info.str) != 0;
}

inline void go_to_universe() {
    auto set_mode = set_game_mode_service();
    auto universe_mode = get_universe_mode_service();
    if (set_mode && universe_mode) set_mode(universe_mode());
}

// The saved game remembers the world it was saved in: its index on the map,
// or the code of a world off the map ("" when on the map or in none).
constexpr const char* SAVED_WORLD_SLOT = "world";
constexpr const char* SAVED_WORLD_CODE_SLOT = "world_code";

// A slot's name tells the saves of one game apart: when it was saved, in
// which world, and how far its goal had come ("Saved 2026-12-08 14:05:31 -
// Emberdale - 2 of 4 strongholds down"). The game's first name stays as
// "started".
inline void name_the_save() {
    if (slot_value(cur_game_info, "started").isNull())
        set_table_text(cur_game_info, "started", slot_text(cur_game_info, "name", ""));
    char when[32] = "";
    time_t now = time(nullptr);
    tm local;
    if (localtime_r(&now, &local)) strftime(when, sizeof(when), "%Y-%m-%d %H:%M:%S", &local);
    sqbind::SqObject w = root_value("cur_world");
    const char* world = slot_text(w, "name", nullptr);
    char progress[96];
    call_root_text("world_progress_text", progress, sizeof(progress));
    char name[200];
    if (!world) snprintf(name, sizeof(name), "Saved %s - on the universe map", when);
    else if (!progress[0]) snprintf(name, sizeof(name), "Saved %s - %.60s", when, world);
    else snprintf(name, sizeof(name), "Saved %s - %.60s - %.90s", when, world, progress);
    set_table_text(cur_game_info, "name", name);
}

inline void save_to_slot(int slot) {
    cur_game_slot = slot;
    name_the_save();
    // The spells go in too: the saver asks the module for them.
    int world = current_world_index();
    char code[WORLD_CODE_SIZE] = "";
    if (world < 0 && !world_code_of(root_value("cur_world"), code)) code[0] = 0;
    set_table_int(cur_game_info, SAVED_WORLD_SLOT, world);
    set_table_text(cur_game_info, SAVED_WORLD_CODE_SLOT, code);
    if (!save_game()) return;
    set_config_int(LAST_SLOT_SETTING, slot);
    back_to_menu(0);
    show_hud_message("Game saved");
}

inline void load_from_slot(int slot) {
    world_to_resume = -1;
    world_code_to_resume[0] = 0;
    if (!load_saved_game(slot)) return;  // the loader shows why (the spells come back with it)
    set_config_int(LAST_SLOT_SETTING, slot);
    int world = table_int(cur_game_info, SAVED_WORLD_SLOT, -1);
    world_to_resume = world >= 0 && world < world_count() ? world : -1;
    if (world_to_resume < 0)
        snprintf(world_code_to_resume, sizeof(world_code_to_resume), "%s",
                 slot_text(cur_game_info, SAVED_WORLD_CODE_SLOT, ""));
    // From the main menu its close request leads to the universe; the
    // in-game menu's would lead back into the old world.
    if (game_menu_screen) go_to_universe();
    else should_close_game_menu = true;
}

struct GameSlotScreen : Screen {
    bool saving = false;
    Column* col = nullptr;
    Button* rows[SAVE_SLOT_COUNT] = {};
    void build() override {
        col = new Column;
        col->top = 0.24f;
        col->rowHeight = 40;
        col->spacing = 7;
        col->width = 760;  // room for a save's name: when, where, how far
        root->addChild(col);
        for (int i = 0; i < SAVE_SLOT_COUNT; i++)
            rows[i] = addButton(col, "", [](int slot) { pick(slot); }, i + 1);
        addButton(col, "Back", back_to_menu);
    }
    static void pick(int slot) {
        auto* self = static_cast<GameSlotScreen*>(game_slot_screen);
        if (self && self->saving) save_to_slot(slot);
        else load_from_slot(slot);
        // A failed save or load stays here, with the rows as they now are.
        if (self && cur_game_screen == self) self->shown();
    }
    void shown() override {
        col->title = saving ? "Save game" : "Load game";
        for (int i = 0; i < SAVE_SLOT_COUNT; i++) {
            int slot = i + 1;
            TempString<260> name = get_saved_game_name(slot);
            bool files = slot_has_files(slot);
            char text[128];
            if (name.str[0]) snprintf(text, sizeof(text), "%d.  %.100s", slot, name.str);
            else snprintf(text, sizeof(text), "%d.  %s", slot, files ? "(damaged)" : "(empty)");
            rows[i]->setLabel(text);
            rows[i]->setEnabled(saving || files);
        }
    }
    void escape() override { later(back_to_menu, 0); }
    int stateToKeep() override { return saving; }
    void restoreState(int state) override { saving = state != 0; }
};

inline ModuleScreenFactory game_slot_maker() { return &make_screen<GameSlotScreen>; }

void open_game_slot(bool saving) {
    if (game_slot_screen) static_cast<GameSlotScreen*>(game_slot_screen)->saving = saving;
    else {
        game_slot_screen = make_screen<GameSlotScreen>();
        static_cast<GameSlotScreen*>(game_slot_screen)->saving = saving;
    }
    show_screen(game_slot_screen, game_slot_maker());
}

}  // namespace menu
