// The main menu over the attract flight.
import screens.menu_kit
import screens.universe

namespace menu {

void open_game_slot(bool saving);
inline void load_from_slot(int slot);
inline void open_new_game_note(int);
void open_options(int);
void open_controls(int);
void open_credits(int);

// A new universe is made when its map opens.
inline void start_new_game(int) {
    release_universe_data();
    cur_game_slot = -1;
    world_to_resume = -1;
    world_code_to_resume[0] = 0;
    should_close_game_menu = true;
}

inline void continue_game(int) {
    int slot = last_game_slot();
    if (slot >= 0) load_from_slot(slot);
}

inline void quit_from_menu(int) { request_quit(); }

struct MainMenuScreen : Screen {
    Button* continueButton = nullptr;
    void build() override {
        Column* col = new Column;
        col->title = "Ember Hollows";
        col->subtitle = "A world to shape, spell by spell";
        col->top = 0.33f;
        root->addChild(col);
        addButton(col, "New game", open_new_game_note);
        continueButton = addButton(col, "Continue", continue_game);
        addButton(col, "Load game", [](int) { open_game_slot(false); });
        addButton(col, "Options", open_options);
        addButton(col, "Controls", open_controls);
        addButton(col, "Credits", open_credits);
        addButton(col, "Quit", quit_from_menu);
    }
    void shown() override { continueButton->setEnabled(last_game_slot() >= 0); }
    void escape() override {}
};

inline ModuleScreenFactory main_menu_maker() { return &make_screen<MainMenuScreen>; }

}  // namespace menu
