// The in-game menu (Escape in play): the world waits behind it.
import screens.menu_kit

namespace menu {

void open_game_slot(bool saving);
void open_options(int);
void open_controls(int);

inline void resume_game(int) { should_close_game_menu = true; }

struct GameMenuScreen : Screen {
    Button* saveButton = nullptr;
    void build() override {
        Column* col = new Column;
        col->title = "Paused";
        col->top = 0.26f;
        root->addChild(col);
        addButton(col, "Resume", resume_game);
        saveButton = addButton(col, "Save game", [](int) { open_game_slot(true); });
        addButton(col, "Load game", [](int) { open_game_slot(false); });
        addButton(col, "Options", open_options);
        addButton(col, "Controls", open_controls);
        addButton(col, "Leave world", [](int) { leave_world(); });
        addButton(col, "Main menu", [](int) { go_to_main_menu(); });
    }
    // A game without a universe (a single world) cannot be saved.
    void shown() override { saveButton->setEnabled(!universe.isNull()); }
    void escape() override { later(resume_game, 0); }
};

inline Player* fallen_player();
inline ModuleScreenFactory death_screen_maker();

// While the player lies fallen the death screen takes the menu's place.
inline ModuleScreenFactory game_menu_maker() {
    return fallen_player() ? death_screen_maker() : &make_screen<GameMenuScreen>;
}

}  // namespace menu
